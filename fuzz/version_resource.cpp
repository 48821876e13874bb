// The version resource reader over arbitrary file bytes: finding the resource in a PE, NE, LE
// or bare file, and looking up the values a caller asks for.
#include <cstddef>
#include <cstdint>

#include "platform/version/version_resource.h"

// Every byte of a value found is read, so that a bound wrongly checked shows.
std::uint32_t g_versionSink = 0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ovtb::version;
    Bytes file(data, size);
    auto resource = FindVersionResource(file);
    if (!resource)
        resource = file;  // also walk a tree that starts anywhere
    for (const char* path : {"\\", "\\StringFileInfo\\040904E4\\ProductVersion",
                             "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4"}) {
        if (auto v = FindValue(*resource, path)) {
            if (v->offset + v->size > resource->size())
                __builtin_trap();
            for (std::size_t i = 0; i < v->size; ++i)
                g_versionSink += (*resource)[v->offset + i];
        }
    }
    return 0;
}
