#include "registry_text.h"

#include "platform/linux/registry/text_codec.h"
#include "platform/linux/winapi.h"

#include <cstdio>

namespace {

const char headerLine[] = "Windows Registry Editor Version 5.00";
const char legacyHeaderLine[] = "REGEDIT4";
// Hex lists wrap before this column, with a trailing backslash, as exports do.
constexpr size_t lineWidth = 80;

char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
bool parseHexNumber(const std::string& text, size_t maxDigits, uint32_t& number)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    number = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        number = number * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

bool isControl(unsigned char c)
{
    return c < 0x20 && c != '\t';
}

bool isWritableName(const std::string& name)
{
    for (char c : name)
        if (isControl(static_cast<unsigned char>(c)))
            return false;
    return isValidUtf8(reinterpret_cast<const uint8_t*>(name.data()), name.size());
}

// A quoted name or string starting at text[pos] == '"', with the escapes
// backslash-backslash and backslash-quote; `pos` ends after the closing
// quote. False for a bad escape, a control character or no closing quote.
bool parseQuoted(const std::string& text, size_t& pos, std::string& out)
{
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (isControl(static_cast<unsigned char>(c)))
            return false;
        if (c == '\\') {
            if (pos + 1 >= text.size() || (text[pos + 1] != '\\' && text[pos + 1] != '"'))
                return false;
            ++pos;
        }
        out += text[pos];
    }
    return false;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// "hex:..." or "hex(N):..." with comma-separated bytes of one or two digits.
bool parseHexData(const std::string& text, RegistryValue& value)
{
    size_t pos;
    if (text.compare(0, 4, "hex:") == 0) {
        value.type = REG_BINARY;
        pos = 4;
    } else if (text.compare(0, 4, "hex(") == 0) {
        const size_t close = text.find("):", 4);
        if (close == std::string::npos || !parseHexNumber(text.substr(4, close - 4), 8, value.type))
            return false;
        pos = close + 2;
    } else {
        return false;
    }
    value.data.clear();
    const std::string list = trimmed(text.substr(pos));
    if (list.empty())
        return true;
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(',', start);
        uint32_t byte;
        const std::string item = trimmed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!parseHexNumber(item, 2, byte))
            return false;
        value.data.push_back(static_cast<uint8_t>(byte));
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

// The data after '=': a string, a dword or a hex list.
bool parseData(const std::string& text, RegistryValue& value)
{
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string content;
        if (!parseQuoted(text, pos, content) || !trimmed(text.substr(pos)).empty())
            return false;
        value.type = REG_SZ;
        value.data.assign(content.begin(), content.end());
        value.data.push_back(0);
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        uint32_t number;
        if (!parseHexNumber(trimmed(text.substr(6)), 8, number))
            return false;
        value.type = REG_DWORD;
        value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                      static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
        return true;
    }
    return parseHexData(text, value);
}

bool startsLogicalLine(const std::string& line)
{
    return line.empty() || line[0] == '[' || line[0] == '"' || line[0] == '@' || line[0] == ';';
}

// One value starting at lines[i] (already trimmed); `i` moves past the
// continuation lines of a hex list.
bool parseValue(const std::vector<std::string>& lines, size_t& i, RegistryValue& value)
{
    std::string line = trimmed(lines[i]);
    size_t pos = 0;
    if (line[0] == '@') {
        value.name.clear();
        pos = 1;
    } else if (!parseQuoted(line, pos, value.name) || !isValidRegistryValueName(value.name)) {
        // A name that could not be written back is skipped like any bad
        // line, so that what was read is exactly what a rewrite keeps.
        return false;
    }
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        return false;
    ++pos;
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    std::string data = line.substr(pos);
    if (data.compare(0, 3, "hex") == 0) {
        // A trailing backslash continues the list on the next line. A line
        // that starts something else means the list was cut short.
        while (!data.empty() && data.back() == '\\') {
            data.pop_back();
            if (i + 1 >= lines.size())
                return false;
            const std::string next = trimmed(lines[i + 1]);
            if (startsLogicalLine(next))
                return false;
            data += next;
            ++i;
        }
    }
    return parseData(data, value);
}

// The path of a "[...]" line, or false when the line is not a usable key.
bool parseSectionLine(const std::string& line, std::string& path)
{
    const std::string text = trimmed(line);
    if (text.size() < 2 || text.back() != ']')
        return false;
    path = text.substr(1, text.size() - 2);
    return isValidRegistryPath(path);
}

const char utf8Mark[] = "\xEF\xBB\xBF";
const char utf16Mark[] = "\xFF\xFE";

// The file's text as UTF-8: regedit exports UTF-16LE with its byte-order
// mark; anything else is taken as UTF-8, with or without its mark.
std::string decodedText(const std::string& text)
{
    if (text.compare(0, 2, utf16Mark) == 0)
        return utf8FromUtf16le(reinterpret_cast<const uint8_t*>(text.data()) + 2, text.size() - 2);
    if (text.compare(0, 3, utf8Mark) == 0)
        return text.substr(3);
    return text;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

void appendHexValue(std::string& out, std::string line, const std::vector<uint8_t>& data)
{
    for (size_t i = 0; i < data.size(); ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, i + 1 < data.size() ? "%02x," : "%02x", data[i]);
        // Room for the piece and a trailing backslash.
        if (line.size() + 3 + 1 > lineWidth && line != "  ") {
            out += line + "\\\n";
            line = "  ";
        }
        line += piece;
    }
    out += line + "\n";
}

// True when the data is text that a quoted string carries exactly: one
// terminating zero byte, no other zero or control byte, valid UTF-8.
bool isPlainString(const std::vector<uint8_t>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < data.size(); ++i)
        if (isControl(data[i]))
            return false;
    return isValidUtf8(data.data(), data.size() - 1);
}

void appendValue(std::string& out, const RegistryValue& value)
{
    std::string line = value.name.empty() ? "@=" : quoted(value.name) + "=";
    if (value.type == REG_SZ && isPlainString(value.data)) {
        out += line + quoted(std::string(value.data.begin(), value.data.end() - 1)) + "\n";
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x",
                      static_cast<unsigned>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                            static_cast<uint32_t>(value.data[3]) << 24));
        out += line + number + "\n";
    } else {
        char prefix[24];
        if (value.type == REG_BINARY)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        appendHexValue(out, line + prefix, value.data);
    }
}

}  // namespace

bool registryNamesEqual(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    return true;
}

bool isValidRegistryPath(const std::string& path)
{
    if (path.empty() || path[0] == '-' || !isWritableName(path))
        return false;
    // No empty component: no leading, trailing or doubled backslash.
    return path.front() != '\\' && path.back() != '\\' && path.find("\\\\") == std::string::npos;
}

bool isValidRegistryValueName(const std::string& name)
{
    return isWritableName(name);
}

RegistrySection* findRegistrySection(RegistryDocument& document, const std::string& path)
{
    for (RegistrySection& section : document.sections)
        if (registryNamesEqual(section.path, path))
            return &section;
    return nullptr;
}

const RegistryValue* findRegistryValue(const std::vector<RegistryValue>& values, const std::string& name)
{
    for (const RegistryValue& value : values)
        if (registryNamesEqual(value.name, name))
            return &value;
    return nullptr;
}

void setRegistryValue(std::vector<RegistryValue>& values, const RegistryValue& value)
{
    for (RegistryValue& existing : values) {
        if (registryNamesEqual(existing.name, value.name)) {
            existing.type = value.type;
            existing.data = value.data;
            return;
        }
    }
    values.push_back(value);
}

bool registryKeyHasSubkeys(const RegistryDocument& document, const std::string& path)
{
    const std::string below = path + "\\";
    for (const RegistrySection& section : document.sections)
        if (section.path.size() > below.size() && registryNamesEqual(section.path.substr(0, below.size()), below))
            return true;
    return false;
}

bool registryKeyExists(const RegistryDocument& document, const std::string& path)
{
    for (const RegistrySection& section : document.sections)
        if (registryNamesEqual(section.path, path))
            return true;
    return registryKeyHasSubkeys(document, path);
}

RegistryDocument parseRegistryText(const std::string& text)
{
    RegistryDocument document;
    const std::vector<std::string> lines = splitLines(decodedText(text));
    // The section that values go to; none before the first good "[...]" line
    // and none after a bad one.
    RegistrySection* section = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = trimmed(lines[i]);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            std::string path;
            section = nullptr;
            if (!parseSectionLine(line, path))
                continue;
            section = findRegistrySection(document, path);
            if (!section) {
                document.sections.push_back(RegistrySection{path, {}});
                section = &document.sections.back();
            }
            continue;
        }
        if (line[0] != '"' && line[0] != '@')
            continue;
        RegistryValue value;
        if (parseValue(lines, i, value) && section)
            setRegistryValue(section->values, value);
    }
    return document;
}

std::string formatRegistryText(const RegistryDocument& document)
{
    std::string out = std::string(headerLine) + "\n\n";
    for (const RegistrySection& section : document.sections) {
        // Names that cannot be written back as they are would break the
        // file's lines; the layer never stores them.
        if (!isValidRegistryPath(section.path))
            continue;
        out += "[" + section.path + "]\n";
        for (const RegistryValue& value : section.values)
            if (isValidRegistryValueName(value.name))
                appendValue(out, value);
        out += "\n";
    }
    return out;
}

bool isRecognizedRegistryText(const std::string& text)
{
    for (const std::string& line : splitLines(decodedText(text))) {
        const std::string content = trimmed(line);
        if (!content.empty())
            return content == headerLine || content == legacyHeaderLine || !parseRegistryText(text).sections.empty();
    }
    return true;  // blank text holds nothing that a rewrite could lose
}
