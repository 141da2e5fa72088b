// The registry file's text is edited by hand and may be damaged: any bytes
// at all must parse without a crash, and whatever was parsed must survive a
// rewrite exactly (a settings save must never lose or change a foreign key
// or value it read).
#include "platform/linux/registry/registry_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "registry text: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const RegistryDocument document = parseRegistryText(text);
    for (const RegistrySection& section : document.sections) {
        check(isValidRegistryPath(section.path), "a key path that cannot be written back was kept");
        for (const RegistryValue& value : section.values)
            check(isValidRegistryValueName(value.name), "a value name that cannot be written back was kept");
    }
    const std::string written = formatRegistryText(document);
    // Formatting keeps every key, value, type and byte, so a second rewrite
    // that differs means the first lost or changed something.
    check(formatRegistryText(parseRegistryText(written)) == written, "a rewrite changed a key or value");
    return 0;
}
