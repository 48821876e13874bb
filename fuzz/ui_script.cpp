#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/sample/sample_dialog.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static HINSTANCE inst = ovtb::ui::RegisterResources(ovtb::ui::sample::Resources());
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto script = ovtb::ui::Script::Parse(text, &error);
    if (!script) {
        return 0;
    }
    ovtb::ui::ResetForTests();
    // Screenshots would write files; the headless renderer refuses them anyway.
    ovtb::ui::UseScript(std::make_shared<ovtb::ui::Script>(std::move(*script)));
    try {
        ovtb::ui::sample::RunSample(inst);
    } catch (const ovtb::ui::ScriptFailure&) {
    }
    return 0;
}
