// The settings store: four REG_DWORD values under HKCU\Software\Tavelin.
// Failures are silent; a value that cannot be read takes its default.
#include <windows.h>

#include "app/settings.h"

static const char settingsKeyPath[] = "Software\\Tavelin";

static const uint32_t defaultBackColor = 0x404040;
static const uint32_t defaultForeColor = 0xFFFFFF;
static const uint32_t defaultFlag = 1;

bool readSetting(HKEY key, const char* name, uint8_t buffer[4])
{
    buffer[0] = buffer[1] = buffer[2] = buffer[3] = 0;
    DWORD type = 0;
    DWORD size = 4;
    // A value longer than 4 bytes reports ERROR_MORE_DATA and so fails.
    return RegQueryValueExA(key, name, nullptr, &type, buffer, &size) == ERROR_SUCCESS;
}

long writeSetting(HKEY key, const char* name, uint32_t value)
{
    BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return RegSetValueExA(key, name, 0, REG_DWORD, bytes, 4);
}

static uint32_t littleEndian(const uint8_t buffer[4])
{
    return uint32_t(buffer[0]) | uint32_t(buffer[1]) << 8 | uint32_t(buffer[2]) << 16 |
           uint32_t(buffer[3]) << 24;
}

// Reads one value into buffer; when that fails, puts the default there and,
// with `restore`, stores it in the key.
static void readOrRestore(HKEY key, const char* name, uint32_t fallback, uint8_t buffer[4], bool restore)
{
    if (readSetting(key, name, buffer))
        return;
    buffer[0] = uint8_t(fallback);
    buffer[1] = uint8_t(fallback >> 8);
    buffer[2] = uint8_t(fallback >> 16);
    buffer[3] = uint8_t(fallback >> 24);
    if (restore)
        writeSetting(key, name, fallback);
}

static Settings readSettings(HKEY key, bool restore)
{
    uint8_t back[4], fore[4], fade[4], copy[4];
    readOrRestore(key, "bgColor", defaultBackColor, back, restore);
    readOrRestore(key, "fgColor", defaultForeColor, fore, restore);
    readOrRestore(key, "bFade", defaultFlag, fade, restore);
    readOrRestore(key, "bCopyOnSelect", defaultFlag, copy, restore);

    Settings settings;
    settings.foreColor = littleEndian(fore);
    settings.backColor = littleEndian(back);
    settings.fadeEnabled = fade[0];     // flags count by their lowest byte only
    settings.copyOnSelect = copy[0];
    return settings;
}

Settings loadSettings()
{
    // When the key can be neither opened nor created every read fails and
    // every setting takes its default.
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, settingsKeyPath, &key);
    Settings settings = readSettings(key, true);
    if (key)
        RegCloseKey(key);
    return settings;
}

Settings storedSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        key = nullptr;
    Settings settings = readSettings(key, false);
    if (key)
        RegCloseKey(key);
    return settings;
}

void saveSetting(const char* name, uint32_t value)
{
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, settingsKeyPath, &key) != ERROR_SUCCESS)
        return;
    writeSetting(key, name, value);
    RegCloseKey(key);
}
