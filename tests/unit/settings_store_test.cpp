// The settings store against the real registry: the Linux registry file, or
// the Windows registry under Wine. Values are put in place and read back
// through the registry functions, never through the store itself, so that a
// fault in the store cannot hide behind the same fault in its test.
#include "platform/platform.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

const char* const settingNames[] = {"DirectionOfClouds",      "IntensivityOfLightnings", "LightColor",
                                    "Meteorites_ColorOfTile", "Meteorites_State",        "ProperColor"};

// Each test has a key of its own below Software\Orvanti, under both roots,
// removed before and after, so runs and tests never see each other's values.
class SettingsStoreRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        product = std::string("Gyrelle Test ") + testing::UnitTest::GetInstance()->current_test_info()->name();
        keyPath = "Software\\Orvanti\\" + product;
        TearDown();
    }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
    }

    void writeValue(HKEY root, const char* name, DWORD type, const std::string& data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size())));
        ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }
    void writeText(HKEY root, const char* name, const std::string& text)
    {
        writeValue(root, name, REG_SZ, text + '\0');
    }

    // The value's type and bytes, or "absent".
    std::string readValue(HKEY root, const char* name)
    {
        HKEY key = nullptr;
        char data[256];
        DWORD type = REG_NONE;
        DWORD size = sizeof data;
        if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return "absent";
        const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "absent";
    }

    // The six values in name order.
    std::vector<int32_t> valuesOf(const SettingsStore& store)
    {
        std::vector<int32_t> values;
        for (const char* name : settingNames) {
            values.push_back(INT32_MIN + 7);
            EXPECT_EQ(0, store.get(name, values.back())) << name;
        }
        return values;
    }

    const std::vector<int32_t> defaults = {0, 30, 138842, 16777215, 1, 16637612};
    std::string product;
    std::string keyPath;
};

// Values read by the C library's atol rules, up to the first zero byte, and
// saturated at 32 bits as the Windows C library does; whatever a value's
// type, its bytes are read as text (a REG_DWORD 75 is "K", so 0); a value
// too long for the 200-byte buffer is not read at all, so a truncated number
// is never taken for the whole one. Settings stored under the machine's key,
// by an administrator or an earlier version, load as they always did.
TEST_F(SettingsStoreRegistry, MachineValuesLoadAsText)
{
    const struct {
        DWORD type;
        std::string data;
        int32_t expected;
    } cases[] = {
        {REG_SZ, std::string("75", 3), 75},
        {REG_SZ, std::string(" \t\n\v\f\r-3xyz", 12), -3},
        {REG_SZ, std::string("+007\0" "12", 7), 7},
        {REG_SZ, std::string("- 5", 4), 0},
        {REG_SZ, std::string("99999999999", 12), INT32_MAX},
        {REG_SZ, std::string("-2147483649", 12), INT32_MIN},
        {REG_BINARY, std::string("12"), 12},
        {REG_DWORD, std::string("K\0\0\0", 4), 0},
        {REG_SZ, "7" + std::string(198, ' ') + '\0', 7},
        {REG_SZ, "7" + std::string(199, ' ') + '\0', 30},
    };
    for (const auto& c : cases) {
        writeValue(HKEY_LOCAL_MACHINE, "IntensivityOfLightnings", c.type, c.data);
        SettingsStore store(product, settingDefaults);
        EXPECT_EQ(0, store.load());
        std::vector<int32_t> expected = defaults;
        expected[1] = c.expected;
        EXPECT_EQ(expected, valuesOf(store)) << c.data.size() << " bytes";
    }
}

// A standard user cannot write below HKEY_LOCAL_MACHINE, so each user's own
// values live under HKEY_CURRENT_USER and win one by one; a value the user
// has not stored keeps what the machine's key or the default gave. Only
// with neither key does the load fail.
TEST_F(SettingsStoreRegistry, UserValuesWinOverMachineValues)
{
    SettingsStore none(product, settingDefaults);
    EXPECT_EQ(-1, none.load());
    EXPECT_EQ(defaults, valuesOf(none));
    writeText(HKEY_CURRENT_USER, "LightColor", "7");
    SettingsStore userOnly(product, settingDefaults);
    EXPECT_EQ(0, userOnly.load());
    EXPECT_EQ(7, valuesOf(userOnly)[2]);

    writeText(HKEY_LOCAL_MACHINE, "IntensivityOfLightnings", "75");
    writeText(HKEY_LOCAL_MACHINE, "LightColor", "5");
    writeText(HKEY_CURRENT_USER, "Meteorites_State", "0");
    SettingsStore store(product, settingDefaults);
    EXPECT_EQ((std::vector<int32_t>{0, 75, 7, 16777215, 0, 16637612}), valuesOf(store));
}

// A save writes all six, in name order, as decimal text with its zero byte,
// under the user's key only (on Windows a write below HKEY_LOCAL_MACHINE
// fails for every standard user), and what it wrote loads back.
TEST_F(SettingsStoreRegistry, SaveWritesSixDecimalStringsForTheUser)
{
    writeText(HKEY_LOCAL_MACHINE, "LightColor", "5");
    const std::vector<int32_t> values = {-1, INT32_MIN, INT32_MAX, 0, 16777215, 42};
    SettingsStore store(product, settingDefaults);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(0, store.set(settingNames[i], values[i]));
    ASSERT_EQ(0, store.save());
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ("1:" + std::to_string(values[i]) + '\0', readValue(HKEY_CURRENT_USER, settingNames[i]));
    EXPECT_EQ(values, valuesOf(SettingsStore(product, settingDefaults)));
    EXPECT_EQ(std::string("1:5", 4), readValue(HKEY_LOCAL_MACHINE, "LightColor"));
    EXPECT_EQ("absent", readValue(HKEY_LOCAL_MACHINE, "IntensivityOfLightnings"));
}

// Values that are not settings belong to someone else: never read, never
// removed or changed by a save. A dialog label is not a setting: asking for
// it must neither answer nor create an entry that a save would then write.
TEST_F(SettingsStoreRegistry, ForeignValuesAndNamesAreLeftAlone)
{
    writeText(HKEY_CURRENT_USER, "Sheen", "5");
    writeValue(HKEY_CURRENT_USER, "Extra", REG_BINARY, std::string("\1\2\0\xFF", 4));
    SettingsStore store(product, settingDefaults);
    int32_t value = 1234;
    EXPECT_EQ(-1, store.get("Sheen", value));
    EXPECT_EQ(-1, store.get("lightcolor", value));  // names are exact
    EXPECT_EQ(1234, value);
    EXPECT_EQ(-1, store.set("Meteors", 5));
    ASSERT_EQ(0, store.save());
    EXPECT_EQ(std::string("1:5", 4), readValue(HKEY_CURRENT_USER, "Sheen"));
    EXPECT_EQ(std::string("3:\1\2\0\xFF", 6), readValue(HKEY_CURRENT_USER, "Extra"));
    EXPECT_EQ("absent", readValue(HKEY_CURRENT_USER, "Meteors"));
    EXPECT_EQ(defaults, valuesOf(store));
}

}  // namespace
