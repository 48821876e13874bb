// Registry files from anywhere: reading must never crash, and what it accepts must write back
// to a file that reads as the same content, and import into a registry without harm.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/reg_file.h"
#include "platform/registry/store.h"

using namespace ovtb::registry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    RegFile file;
    RegFileError error;
    if (!ParseRegFile(text, file, error)) {
        if (error.message.empty())
            std::abort();  // a refusal always says why
        return 0;
    }
    std::string written, why;
    if (!FormatRegFile(file, written, why)) {
        std::fprintf(stderr, "accepted but cannot be written: %s\n", why.c_str());
        std::abort();
    }
    RegFile again;
    if (!ParseRegFile(written, again, error) || !(again == file)) {
        std::fprintf(stderr, "written file reads differently (line %d: %s)\n", error.line,
                     error.message.c_str());
        std::abort();
    }
    UseInMemoryStore();
    ImportRegFile(file, error);  // may fail (a name too long): then nothing lands
    return 0;
}
