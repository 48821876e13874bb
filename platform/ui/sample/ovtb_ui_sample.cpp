// ovtb-ui-sample: shows the layer's sample dialog with any renderer. With
// --ui=qt+script:FILE and a `screenshot` line it saves pictures for the docs; the benchmarks
// time its start.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/ui/sample/sample_dialog.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

int main(int argc, char** argv) {
    std::string spec;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: ovtb-ui-sample [--ui=qt|tty|headless|script:FILE|qt+script:FILE]\n"
                "Shows the sample dialog of the user interface layer and exits with 0 after OK,\n"
                "1 after Cancel. A `screenshot \"FILE.png\"` line in a script run with the Qt\n"
                "renderer saves a picture of the dialog.\n");
            return 0;
        }
        if (std::strncmp(argv[i], "--ui=", 5) == 0) {
            spec = argv[i] + 5;
        } else {
            std::fprintf(stderr, "ovtb-ui-sample: unknown argument '%s' (see --help)\n", argv[i]);
            return 2;
        }
    }
    std::string error;
    if (!spec.empty() && !ovtb::ui::SelectRenderer(spec, &error)) {
        std::fprintf(stderr, "ovtb-ui-sample: %s\n", error.c_str());
        return 2;
    }
    HINSTANCE inst = ovtb::ui::RegisterResources(ovtb::ui::sample::Resources());
    INT_PTR result = ovtb::ui::sample::RunSample(inst);
    if (auto* script = dynamic_cast<ovtb::ui::Script*>(ovtb::ui::CurrentScript())) {
        script->ExpectFinished();
    }
    return result == IDOK ? 0 : 1;
}
