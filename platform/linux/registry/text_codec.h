// UTF-8, UTF-16LE and wide (32-bit wchar_t) text, converted the same way
// everywhere in the layer and independent of the locale. Text that is not
// well formed never stops a conversion: each byte (or unit) that does not
// start a well-formed sequence becomes U+FFFD, and decoding goes on with the
// next one. Well formed means no overlong form, no surrogate code point and
// nothing past U+10FFFF, so that whatever is decoded encodes back unchanged.
//
// Why not GLib's g_utf8_* and g_utf16_*: the arm64 and fuzz builds link no
// GTK, and GLib stops a conversion at the first bad sequence, where the
// registry file must read on past a damaged byte and lose nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One well-formed UTF-8 sequence at `bytes`: its length in bytes, or 0.
size_t decodeUtf8(const uint8_t* bytes, size_t size, uint32_t& point);
bool isValidUtf8(const uint8_t* bytes, size_t size);

// Zero-terminated wide text (null reads as empty) as UTF-8.
std::string utf8FromWide(const wchar_t* text);
std::string utf8FromWide(const std::wstring& text);
std::wstring wideFromUtf8(const std::string& text);

// UTF-16LE without byte-order mark, both ways; an unpaired surrogate or a
// last odd byte becomes U+FFFD.
std::vector<uint8_t> utf16leFromUtf8(const uint8_t* bytes, size_t size);
std::string utf8FromUtf16le(const uint8_t* bytes, size_t size);
