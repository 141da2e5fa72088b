// The registry file's text: Windows registry export format ("Windows Registry
// Editor Version 5.00"), written in UTF-8 with LF line ends, so that a person
// can read, edit and carry the file. Read in UTF-8 (with or without a
// byte-order mark) or, as regedit exports it, in UTF-16LE with its mark;
// CR LF line ends are read too. Pure functions; registry_file.cpp does the
// files and the handles.
//
//   [HKEY_LOCAL_MACHINE\Software\Orvanti\Gyrelle Screen Saver]
//   "LightColor"="138842"        REG_SZ: the text, stored with its zero byte
//   "Count"=dword:0000004b       REG_DWORD: exactly four bytes, little-endian
//   "Blob"=hex:4b,00             REG_BINARY
//   @=hex(7):61,00,00            any other type, or data the forms above
//                                cannot carry exactly; @ is the unnamed value
//
// Reading never fails: a line that does not parse is skipped, and values
// below a malformed section line are skipped with it, so that they cannot
// land in the wrong key. Lines starting with ';' are comments. A section
// that appears twice is one key; a value that appears twice keeps its first
// place and its last data, as an import of the file into Windows would.
// Deletion lines ("[-key]", "name"=-) are skipped. Comments and skipped
// lines do not survive a rewrite; every parsed key and value does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RegistryValue {
    std::string name;  // empty for the unnamed (default) value
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct RegistrySection {
    std::string path;  // full path, e.g. "HKEY_CURRENT_USER\Control Panel\Desktop"
    std::vector<RegistryValue> values;
};

struct RegistryDocument {
    std::vector<RegistrySection> sections;
};

// Key and value names compare as on Windows: ASCII letters without regard to
// case (other bytes exactly).
bool registryNamesEqual(const std::string& a, const std::string& b);
// Whether a key path or value name can be written into the file and read
// back unchanged: valid UTF-8 without control characters (tab aside); a path
// also has no empty component and does not start with '-'.
bool isValidRegistryPath(const std::string& path);
bool isValidRegistryValueName(const std::string& name);

// The section or value of that name, or null.
RegistrySection* findRegistrySection(RegistryDocument& document, const std::string& path);
const RegistryValue* findRegistryValue(const std::vector<RegistryValue>& values, const std::string& name);
// Replaces the data and type of the value of that name (keeping the spelling
// it already has), or appends a new value.
void setRegistryValue(std::vector<RegistryValue>& values, const RegistryValue& value);
// True when a section is at `path` or anywhere below it: a key exists while
// any key below it does.
bool registryKeyExists(const RegistryDocument& document, const std::string& path);
bool registryKeyHasSubkeys(const RegistryDocument& document, const std::string& path);

// Parses any bytes (see the top of this file); never throws on bad input.
RegistryDocument parseRegistryText(const std::string& text);
// Whether the text is a registry file at all: blank, or its first line is
// the header, or it holds at least one key. Text that is not (another
// encoding, a binary file) must not be replaced by a rewrite unseen.
bool isRecognizedRegistryText(const std::string& text);
// The file text: the header line, then each section with its values.
std::string formatRegistryText(const RegistryDocument& document);
