// The settings store against the real registry: first-run defaults, flags by
// their lowest byte, values of the wrong size or type, and saving one value.
// HKCU\Software\Tavelin is moved aside for each test and put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <vector>

#include "app/settings.h"

namespace {

const char kSettingsKey[] = "Software\\Tavelin";
const char kBackupKey[] = "Software\\TavelinTestBackup\\Settings";

class SettingsStore : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackupKey);
        HKEY existing;
        hadKey = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &existing) ==
                 ERROR_SUCCESS;
        if (hadKey) {
            HKEY backup;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, kBackupKey, &backup));
            ASSERT_EQ(ERROR_SUCCESS, RegCopyTreeA(existing, nullptr, backup));
            RegCloseKey(backup);
            RegCloseKey(existing);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (hadKey) {
            HKEY backup, restored;
            RegOpenKeyExA(HKEY_CURRENT_USER, kBackupKey, 0, KEY_READ, &backup);
            RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &restored);
            RegCopyTreeA(backup, nullptr, restored);
            RegCloseKey(restored);
            RegCloseKey(backup);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TavelinTestBackup");
    }

    static void store(const char* name, DWORD type, std::vector<uint8_t> bytes)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &key));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, name, 0, type, bytes.data(), DWORD(bytes.size())));
        RegCloseKey(key);
    }

    static void storeDword(const char* name, uint32_t value)
    {
        store(name, REG_DWORD,
              {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)});
    }

    struct Stored {
        bool present;
        DWORD type;
        std::vector<uint8_t> bytes;
    };

    static Stored stored(const char* name)
    {
        Stored result{false, 0, std::vector<uint8_t>(64)};
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return result;
        DWORD size = DWORD(result.bytes.size());
        result.present = RegQueryValueExA(key, name, nullptr, &result.type,
                                          result.bytes.data(), &size) == ERROR_SUCCESS;
        result.bytes.resize(result.present ? size : 0);
        RegCloseKey(key);
        return result;
    }

    static void expectDword(const char* name, uint32_t value)
    {
        Stored s = stored(name);
        ASSERT_TRUE(s.present) << name;
        EXPECT_EQ(DWORD(REG_DWORD), s.type) << name;
        ASSERT_EQ(4u, s.bytes.size()) << name;
        uint32_t got = s.bytes[0] | s.bytes[1] << 8 | s.bytes[2] << 16 | uint32_t(s.bytes[3]) << 24;
        EXPECT_EQ(value, got) << name;
    }

    bool hadKey = false;
};

TEST_F(SettingsStore, FirstRunCreatesTheKeyWithAllFourDefaults)
{
    Settings s = loadSettings();
    EXPECT_EQ(0xFFFFFFu, s.foreColor);
    EXPECT_EQ(0x404040u, s.backColor);
    EXPECT_NE(0, s.fadeEnabled);
    EXPECT_NE(0, s.copyOnSelect);
    expectDword("bgColor", 0x404040);
    expectDword("fgColor", 0xFFFFFF);
    expectDword("bFade", 1);
    expectDword("bCopyOnSelect", 1);
}

TEST_F(SettingsStore, StoredValuesAreReturnedAndLeftAlone)
{
    storeDword("bgColor", 0x00102030);
    storeDword("fgColor", 0x00A0B0C0);
    storeDword("bFade", 0);
    storeDword("bCopyOnSelect", 0);
    Settings s = loadSettings();
    EXPECT_EQ(0x00A0B0C0u, s.foreColor);
    EXPECT_EQ(0x00102030u, s.backColor);
    EXPECT_EQ(0, s.fadeEnabled);
    EXPECT_EQ(0, s.copyOnSelect);
    expectDword("bgColor", 0x00102030);
    expectDword("fgColor", 0x00A0B0C0);
    expectDword("bFade", 0);
    expectDword("bCopyOnSelect", 0);
}

TEST_F(SettingsStore, FlagsCountByTheirLowestByteOnly)
{
    const struct {
        uint32_t stored;
        bool on;
    } cases[] = {{0, false}, {1, true}, {2, true}, {0x100, false}, {0x101, true},
                 {0xFFFFFF00u, false}, {0x80, true}};
    for (const auto& c : cases) {
        storeDword("bFade", c.stored);
        storeDword("bCopyOnSelect", c.stored);
        Settings s = loadSettings();
        EXPECT_EQ(c.on, s.fadeEnabled != 0) << std::hex << c.stored;
        EXPECT_EQ(c.on, s.copyOnSelect != 0) << std::hex << c.stored;
        expectDword("bFade", c.stored);     // read, not rewritten
    }
}

TEST_F(SettingsStore, ValueLongerThanFourBytesIsReplacedByItsDefault)
{
    storeDword("bgColor", 0x00123456);
    store("fgColor", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    store("bFade", REG_BINARY, {0, 0, 0, 0, 0});
    Settings s = loadSettings();
    EXPECT_EQ(0xFFFFFFu, s.foreColor);
    EXPECT_NE(0, s.fadeEnabled);
    EXPECT_EQ(0x00123456u, s.backColor);
    expectDword("fgColor", 0xFFFFFF);
    expectDword("bFade", 1);
    expectDword("bgColor", 0x00123456);
}

TEST_F(SettingsStore, ShortValuesAndOtherTypesAreAcceptedWithZeroUpperBytes)
{
    store("bgColor", REG_BINARY, {0x34, 0x12});         // 2 bytes
    store("fgColor", REG_BINARY, {0x11, 0x22, 0x33, 0x00});
    store("bFade", REG_BINARY, {0x00});                 // 1 byte, off
    store("bCopyOnSelect", REG_BINARY, {});             // empty: all zero, off
    Settings s = loadSettings();
    EXPECT_EQ(0x1234u, s.backColor);
    EXPECT_EQ(0x00332211u, s.foreColor);
    EXPECT_EQ(0, s.fadeEnabled);
    EXPECT_EQ(0, s.copyOnSelect);
    // Accepted values are not rewritten.
    Stored bg = stored("bgColor");
    EXPECT_EQ(DWORD(REG_BINARY), bg.type);
    EXPECT_EQ(2u, bg.bytes.size());
}

TEST_F(SettingsStore, DeletingOneValueResetsOnlyThatOne)
{
    const char* names[] = {"bgColor", "fgColor", "bFade", "bCopyOnSelect"};
    const uint32_t defaults[] = {0x404040, 0xFFFFFF, 1, 1};
    const uint32_t custom[] = {0x00010203, 0x00040506, 0, 0};
    for (int missing = 0; missing < 4; ++missing) {
        for (int i = 0; i < 4; ++i)
            storeDword(names[i], custom[i]);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key));
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, names[missing]));
        RegCloseKey(key);

        Settings s = loadSettings();
        const uint32_t got[] = {s.backColor, s.foreColor, s.fadeEnabled, s.copyOnSelect};
        for (int i = 0; i < 4; ++i) {
            uint32_t want = i == missing ? defaults[i] : custom[i];
            EXPECT_EQ(want, got[i]) << names[i] << " with " << names[missing] << " deleted";
            expectDword(names[i], want);
        }
    }
}

TEST_F(SettingsStore, SaveSettingWritesOneDwordAndCreatesTheKey)
{
    saveSetting("bFade", 0);
    expectDword("bFade", 0);
    EXPECT_FALSE(stored("fgColor").present);
    saveSetting("bFade", 1);
    expectDword("bFade", 1);
    saveSetting("fgColor", 0x00C0FFEE);
    EXPECT_EQ(0x00C0FFEEu, loadSettings().foreColor);
}

TEST_F(SettingsStore, ReadSettingZeroesTheBufferAndRejectsLongValues)
{
    store("short", REG_BINARY, {0xAB});
    store("long", REG_BINARY, {1, 2, 3, 4, 5});
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key));
    uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_TRUE(readSetting(key, "short", buffer));
    EXPECT_EQ(0xAB, buffer[0]);
    EXPECT_EQ(0, buffer[1]);
    EXPECT_EQ(0, buffer[3]);
    EXPECT_FALSE(readSetting(key, "long", buffer));
    EXPECT_FALSE(readSetting(key, "absent", buffer));
    RegCloseKey(key);
}

}  // namespace
