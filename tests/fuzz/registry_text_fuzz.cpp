// The registry file's text is edited by hand and may be damaged: any bytes
// at all must parse without a crash, and whatever was parsed must survive a
// rewrite exactly (a settings save must never lose or change a foreign key
// or value it read).
#include "platform/linux/registry_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool sameDocument(const RegistryDocument& a, const RegistryDocument& b)
{
    if (a.sections.size() != b.sections.size())
        return false;
    for (size_t s = 0; s < a.sections.size(); ++s) {
        const RegistrySection& x = a.sections[s];
        const RegistrySection& y = b.sections[s];
        if (x.path != y.path || x.values.size() != y.values.size())
            return false;
        for (size_t v = 0; v < x.values.size(); ++v)
            if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
                x.values[v].data != y.values[v].data)
                return false;
    }
    return true;
}

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
    const RegistryDocument reread = parseRegistryText(written);
    check(sameDocument(document, reread), "a rewrite changed a key or value");
    check(formatRegistryText(reread) == written, "a second rewrite changed the text");
    return 0;
}
