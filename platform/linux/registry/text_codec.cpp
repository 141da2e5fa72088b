#include "text_codec.h"

namespace {

constexpr uint32_t replacement = 0xFFFD;

bool isSurrogate(uint32_t point)
{
    return point >= 0xD800 && point <= 0xDFFF;
}

void appendUtf8(std::string& out, uint32_t point)
{
    if (point > 0x10FFFF || isSurrogate(point))
        point = replacement;
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | point >> 6);
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | point >> 12);
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | point >> 18);
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

void appendUtf16le(std::vector<uint8_t>& out, uint32_t unit)
{
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

// Walks UTF-8 text, handing each code point (U+FFFD for a bad byte) on.
template <typename Sink>
void eachPoint(const uint8_t* bytes, size_t size, Sink sink)
{
    for (size_t i = 0; i < size;) {
        uint32_t point;
        const size_t length = decodeUtf8(bytes + i, size - i, point);
        sink(length > 0 ? point : replacement);
        i += length > 0 ? length : 1;
    }
}

}  // namespace

size_t decodeUtf8(const uint8_t* bytes, size_t size, uint32_t& point)
{
    if (size == 0)
        return 0;
    const uint8_t lead = bytes[0];
    if (lead < 0x80) {
        point = lead;
        return 1;
    }
    const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    const uint32_t least = extra == 3 ? 0x10000 : extra == 2 ? 0x800 : 0x80;
    if (lead < 0xC0 || lead > 0xF4 || size <= extra)
        return 0;
    uint32_t decoded = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        if ((bytes[k] & 0xC0) != 0x80)
            return 0;
        decoded = (decoded << 6) | (bytes[k] & 0x3F);
    }
    if (decoded < least || decoded > 0x10FFFF || isSurrogate(decoded))
        return 0;
    point = decoded;
    return extra + 1;
}

bool isValidUtf8(const uint8_t* bytes, size_t size)
{
    uint32_t point;
    for (size_t i = 0, length; i < size; i += length)
        if ((length = decodeUtf8(bytes + i, size - i, point)) == 0)
            return false;
    return true;
}

std::string utf8FromWide(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        appendUtf8(out, static_cast<uint32_t>(*text));
    return out;
}

std::string utf8FromWide(const std::wstring& text)
{
    std::string out;
    for (wchar_t unit : text)
        appendUtf8(out, static_cast<uint32_t>(unit));
    return out;
}

std::wstring wideFromUtf8(const std::string& text)
{
    std::wstring out;
    eachPoint(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
              [&](uint32_t point) { out += static_cast<wchar_t>(point); });
    return out;
}

std::vector<uint8_t> utf16leFromUtf8(const uint8_t* bytes, size_t size)
{
    std::vector<uint8_t> out;
    eachPoint(bytes, size, [&](uint32_t point) {
        if (point >= 0x10000) {
            appendUtf16le(out, 0xD800 + ((point - 0x10000) >> 10));
            appendUtf16le(out, 0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            appendUtf16le(out, point);
        }
    });
    return out;
}

std::string utf8FromUtf16le(const uint8_t* bytes, size_t size)
{
    std::string out;
    size_t i = 0;
    for (; i + 1 < size; i += 2) {
        const uint32_t unit = bytes[i] | static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size) {
            const uint32_t low = bytes[i + 2] | static_cast<uint32_t>(bytes[i + 3]) << 8;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, unit);  // an unpaired surrogate becomes U+FFFD
    }
    if (i < size)
        appendUtf8(out, replacement);
    return out;
}
