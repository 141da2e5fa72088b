// The settings store against the real registry: the Linux registry file, or
// the Windows registry under Wine. Values are put in place and read back
// through the registry functions, never through the store itself, so that a
// fault in the store cannot hide behind the same fault in its test.
#include "platform/platform.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const settingNames[] = {"DirectionOfClouds",      "IntensivityOfLightnings", "LightColor",
                                    "Meteorites_ColorOfTile", "Meteorites_State",        "ProperColor"};

// Each test has a key of its own below HKEY_LOCAL_MACHINE\Software\Orvanti,
// removed before and after, so runs and tests never see each other's values.
class SettingsStoreRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        product = std::string("Gyrelle Test ") + testing::UnitTest::GetInstance()->current_test_info()->name();
        keyPath = "Software\\Orvanti\\" + product;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str()); }

    void writeValue(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
        ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }
    void writeText(const char* name, const std::string& text)
    {
        writeValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    // False when the value is absent.
    bool readValue(const char* name, DWORD& type, std::vector<BYTE>& data)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (status == ERROR_SUCCESS) {
            data.assign(size, 0);
            status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        }
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    int32_t defaultOf(const char* name)
    {
        for (const SettingEntry* entry = settingDefaults; !entry->name.empty(); ++entry)
            if (entry->name == name)
                return entry->defaultValue;
        ADD_FAILURE() << name;
        return 0;
    }

    int32_t valueOf(const SettingsStore& store, const char* name)
    {
        int32_t value = INT32_MIN + 7;
        EXPECT_EQ(0, store.get(name, value)) << name;
        return value;
    }

    std::string product;
    std::string keyPath;
};

TEST_F(SettingsStoreRegistry, WithoutKeyLoadFailsAndDefaultsStay)
{
    SettingsStore store(product, settingDefaults);
    EXPECT_EQ(-1, store.load());
    for (const char* name : settingNames)
        EXPECT_EQ(defaultOf(name), valueOf(store, name)) << name;
}

// Values are read by the C library's atol rules, whatever they hold; the
// other settings keep their defaults.
TEST_F(SettingsStoreRegistry, TextValuesLoadByAtolRules)
{
    const struct {
        std::string text;
        int32_t expected;
    } cases[] = {
        {"75", 75},
        {" -3xyz", -3},
        {"abc", 0},
        {"12abc", 12},
        {"", 0},
        {"-1", -1},
        {"+0042", 42},
        {"99999999999", INT32_MAX},
        // Exactly 200 bytes with the terminating zero still fits the buffer.
        {"7" + std::string(198, ' '), 7},
    };
    for (const auto& c : cases) {
        writeText("IntensivityOfLightnings", c.text);
        SettingsStore store(product, settingDefaults);
        EXPECT_EQ(0, store.load());
        EXPECT_EQ(c.expected, valueOf(store, "IntensivityOfLightnings")) << '"' << c.text << '"';
        for (const char* name : settingNames) {
            if (std::strcmp(name, "IntensivityOfLightnings") != 0) {
                EXPECT_EQ(defaultOf(name), valueOf(store, name)) << name;
            }
        }
    }
}

// The type is not checked: a REG_DWORD 75 is the bytes 4B 00 00 00, the
// text "K", which reads as 0 rather than 75.
TEST_F(SettingsStoreRegistry, DwordValueReadsAsItsBytes)
{
    const BYTE dword[4] = {0x4B, 0, 0, 0};
    writeValue("IntensivityOfLightnings", REG_DWORD, dword, sizeof dword);
    SettingsStore store(product, settingDefaults);
    EXPECT_EQ(0, valueOf(store, "IntensivityOfLightnings"));
}

// A value longer than the 200-byte buffer is not read at all: a truncated
// number must not be taken for the whole one.
TEST_F(SettingsStoreRegistry, OverlongValueKeepsDefault)
{
    writeText("LightColor", "5" + std::string(199, ' '));
    writeText("Meteorites_State", "0");
    SettingsStore store(product, settingDefaults);
    EXPECT_EQ(defaultOf("LightColor"), valueOf(store, "LightColor"));
    EXPECT_EQ(0, valueOf(store, "Meteorites_State"));
}

TEST_F(SettingsStoreRegistry, SaveWritesSixDecimalStrings)
{
    SettingsStore store(product, settingDefaults);
    EXPECT_EQ(0, store.set("IntensivityOfLightnings", 99));
    store.resetToDefaults();
    ASSERT_EQ(0, store.save());
    for (const char* name : settingNames) {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        ASSERT_TRUE(readValue(name, type, data)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << name;
        const std::string text = std::to_string(defaultOf(name));
        // The text with its terminating zero: 7 bytes for 138842.
        ASSERT_EQ(text.size() + 1, data.size()) << name;
        EXPECT_EQ(text, std::string(data.begin(), data.end() - 1));
        EXPECT_EQ(0, data.back());
    }
}

TEST_F(SettingsStoreRegistry, SavedValuesLoadBack)
{
    const int32_t values[] = {-1, INT32_MIN, INT32_MAX, 0, 16777215, 42};
    SettingsStore store(product, settingDefaults);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(0, store.set(settingNames[i], values[i]));
    ASSERT_EQ(0, store.save());

    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    ASSERT_TRUE(readValue("DirectionOfClouds", type, data));
    EXPECT_EQ(std::string("-1", 3), std::string(data.begin(), data.end()));

    SettingsStore reloaded(product, settingDefaults);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(values[i], valueOf(reloaded, settingNames[i])) << settingNames[i];
}

// Values that are not settings belong to someone else: never read, never
// removed or changed by a save.
TEST_F(SettingsStoreRegistry, ForeignValuesSurviveSave)
{
    const BYTE blob[] = {1, 2, 0, 255};
    writeText("Sheen", "5");
    writeValue("Extra", REG_BINARY, blob, sizeof blob);
    SettingsStore store(product, settingDefaults);
    int32_t value = 1234;
    EXPECT_EQ(-1, store.get("Sheen", value));
    EXPECT_EQ(1234, value);
    ASSERT_EQ(0, store.save());

    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    ASSERT_TRUE(readValue("Sheen", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("5", 2), std::string(data.begin(), data.end()));
    ASSERT_TRUE(readValue("Extra", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(std::vector<BYTE>(blob, blob + sizeof blob), data);
}

// A dialog label is not a setting: asking for it must neither answer nor
// create an entry that a save would then write.
TEST_F(SettingsStoreRegistry, UnknownNameIsRefused)
{
    SettingsStore store(product, settingDefaults);
    int32_t value = 77;
    EXPECT_EQ(-1, store.get("Sheen", value));
    EXPECT_EQ(77, value);
    EXPECT_EQ(-1, store.set("Sheen", 5));
    EXPECT_EQ(-1, store.get("lightcolor", value));  // names are exact
    ASSERT_EQ(0, store.save());
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    EXPECT_FALSE(readValue("Sheen", type, data));
    for (const char* name : settingNames)
        EXPECT_EQ(defaultOf(name), valueOf(store, name));
}

TEST(ParseDecimalText, FollowsAtolAndSaturates)
{
    const struct {
        const char* text;
        size_t size;
        int32_t expected;
    } cases[] = {
        {"", 0, 0},
        {"42", 2, 42},
        {" \t\n\v\f\r42", 8, 42},
        {"-17x", 4, -17},
        {"+5", 2, 5},
        {"- 5", 3, 0},
        {"--5", 3, 0},
        {"x12", 3, 0},
        {"007", 3, 7},
        {"2147483647", 10, INT32_MAX},
        {"2147483648", 10, INT32_MAX},
        {"-2147483648", 11, INT32_MIN},
        {"-2147483649", 11, INT32_MIN},
        {"99999999999999999999999999", 26, INT32_MAX},
        {"-99999999999999999999999999", 27, INT32_MIN},
        // The text ends at the size or at the first zero byte.
        {"12345", 3, 123},
        {"12\0" "34", 5, 12},
        {"  ", 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, parseDecimalText(c.text, c.size)) << '"' << std::string(c.text, c.size) << '"';
}

}  // namespace
