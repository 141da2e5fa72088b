// System services: the command line.
#include "system_args.h"
#include "window_object.h"

#include <cstdint>
#include <string>

namespace {

std::wstring commandLine;

// UTF-8 to wide units, independent of the locale; a malformed sequence
// becomes U+FFFD and decoding goes on with the next byte.
std::wstring decodeUtf8(const char* text)
{
    std::wstring out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        const unsigned char lead = *p;
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        uint32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = extra >= 0;
        for (int i = 1; valid && i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (p[i] & 0x3F);
        }
        if (!valid) {
            out.push_back(L'\xFFFD');
            ++p;
            continue;
        }
        out.push_back(static_cast<wchar_t>(code));
        p += extra + 1;
    }
    return out;
}

}  // namespace

void platformSetCommandLine(int argc, char** argv)
{
    commandLine = L"\"";
    commandLine += argc > 0 ? decodeUtf8(argv[0]) : std::wstring(L"gyrelle");
    commandLine += L"\"";
    for (int i = 1; i < argc; ++i) {
        commandLine += L" ";
        commandLine += decodeUtf8(argv[i]);
    }
}

LPWSTR GetCommandLineW()
{
    return &commandLine[0];
}
