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
const std::vector<int32_t> defaults = {0, 30, 138842, 16777215, 1, 16637612};

// Each test has a key of its own below Software\Orvanti, under both roots,
// removed before and after, so runs and tests never see each other's values.
class SettingsStoreRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        product = std::string("Gyrelle Test ") + testing::UnitTest::GetInstance()->current_test_info()->name();
        TearDown();
    }
    void TearDown() override
    {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            RegDeleteKeyA(root, ("Software\\Orvanti\\" + product).c_str());
    }

    // A REG_SZ with its zero byte unless a type is given.
    void write(HKEY root, const char* name, const std::string& text, DWORD type = REG_SZ)
    {
        HKEY key = nullptr;
        const std::string data = type == REG_SZ ? text + '\0' : text;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, ("Software\\Orvanti\\" + product).c_str(), 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                                static_cast<DWORD>(data.size())));
        ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }

    // The value's type and bytes, or "absent".
    std::string read(HKEY root, const char* name)
    {
        HKEY key = nullptr;
        char data[256];
        DWORD type = REG_NONE, size = sizeof data;
        if (RegOpenKeyExA(root, ("Software\\Orvanti\\" + product).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return "absent";
        const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "absent";
    }

    // The six values in name order, loaded afresh.
    std::vector<int32_t> loaded(int32_t expectedLoad = 0)
    {
        SettingsStore store(product, settingDefaults);
        EXPECT_EQ(expectedLoad, store.load());
        std::vector<int32_t> values;
        for (const char* name : settingNames) {
            values.push_back(INT32_MIN + 7);
            EXPECT_EQ(0, store.get(name, values.back())) << name;
        }
        return values;
    }

    std::string product;
};

// Values read by the C library's atol rules, up to the first zero byte, and
// saturated at 32 bits as the Windows C library does; whatever a value's
// type, its bytes are read as text (a REG_DWORD 75 is "K", so 0); a value
// too long for the 200-byte buffer is not read at all, so a truncated number
// is never taken for the whole one. Settings stored under the machine's key,
// by an administrator or an earlier version, load as they always did.
TEST_F(SettingsStoreRegistry, MachineValuesLoadAsText)
{
    const struct { DWORD type; std::string data; int32_t expected; } cases[] = {
        {REG_SZ, "75", 75}, {REG_SZ, std::string(" \t\n\v\f\r-3xyz"), -3}, {REG_SZ, std::string("+007\0" "12", 6), 7},
        {REG_SZ, "- 5", 0}, {REG_SZ, "99999999999", INT32_MAX}, {REG_SZ, "-2147483649", INT32_MIN},
        {REG_BINARY, "12", 12}, {REG_DWORD, std::string("K\0\0\0", 4), 0},
        {REG_SZ, "7" + std::string(198, ' '), 7}, {REG_SZ, "7" + std::string(199, ' '), 30},
    };
    for (const auto& c : cases) {
        write(HKEY_LOCAL_MACHINE, "IntensivityOfLightnings", c.data, c.type);
        std::vector<int32_t> expected = defaults;
        expected[1] = c.expected;
        EXPECT_EQ(expected, loaded()) << c.data.size() << " bytes";
    }
}

// A standard user cannot write below HKEY_LOCAL_MACHINE, so each user's own
// values live under HKEY_CURRENT_USER and win one by one; a value the user
// has not stored keeps what the machine's key or the default gave. Only
// with neither key does the load fail. A save writes all six as decimal
// text with its zero byte, under the user's key only, and loads back.
// Values that are not settings belong to someone else: never read, never
// removed or changed by a save; asking for one (names are exact) neither
// answers nor creates an entry that a save would then write.
TEST_F(SettingsStoreRegistry, UserValuesWinAndSavesWriteOnlyTheSixForTheUser)
{
    EXPECT_EQ(defaults, loaded(-1));
    write(HKEY_CURRENT_USER, "LightColor", "7");
    EXPECT_EQ(7, loaded()[2]);
    write(HKEY_LOCAL_MACHINE, "IntensivityOfLightnings", "75");
    write(HKEY_LOCAL_MACHINE, "LightColor", "5");
    write(HKEY_CURRENT_USER, "Meteorites_State", "0");
    write(HKEY_CURRENT_USER, "Sheen", "5");
    write(HKEY_CURRENT_USER, "Extra", std::string("\1\2\0\xFF", 4), REG_BINARY);
    EXPECT_EQ((std::vector<int32_t>{0, 75, 7, 16777215, 0, 16637612}), loaded());

    SettingsStore store(product, settingDefaults);
    int32_t value = 1234;
    EXPECT_EQ(-1, store.get("Sheen", value));
    EXPECT_EQ(-1, store.get("lightcolor", value));
    EXPECT_EQ(1234, value);
    EXPECT_EQ(-1, store.set("Meteors", 5));
    const std::vector<int32_t> values = {-1, INT32_MIN, INT32_MAX, 0, 16777215, 42};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(0, store.set(settingNames[i], values[i]));
    ASSERT_EQ(0, store.save());
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ("1:" + std::to_string(values[i]) + '\0', read(HKEY_CURRENT_USER, settingNames[i]));
    EXPECT_EQ(values, loaded());
    EXPECT_EQ(std::string("1:5", 4), read(HKEY_LOCAL_MACHINE, "LightColor"));
    EXPECT_EQ("absent", read(HKEY_LOCAL_MACHINE, "Meteorites_State"));
    EXPECT_EQ(std::string("1:5", 4), read(HKEY_CURRENT_USER, "Sheen"));
    EXPECT_EQ(std::string("3:\1\2\0\xFF", 6), read(HKEY_CURRENT_USER, "Extra"));
    EXPECT_EQ("absent", read(HKEY_CURRENT_USER, "Meteors"));
}

}  // namespace
