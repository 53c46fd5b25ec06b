// The four user settings kept in the current user's registry under
// "Software\Tavelin": text colour, background colour, fade, copy on select.
// Loaded once when the frame is created; each menu change saves one value.
#pragma once

#include <stdint.h>

struct HKEY__;

struct Settings {
    uint32_t foreColor;     // COLORREF 0x00BBGGRR
    uint32_t backColor;
    uint8_t fadeEnabled;    // 0 or non-zero: the lowest byte of the stored value
    uint8_t copyOnSelect;
};

// Reads a value of at most 4 bytes into buffer, whatever its type. The buffer
// is zeroed first, so the bytes a shorter value leaves are 0. False when the
// value is missing, unreadable or longer than 4 bytes.
bool readSetting(HKEY__* key, const char* name, uint8_t buffer[4]);

// Stores value as a 4-byte REG_DWORD. Returns the registry result.
long writeSetting(HKEY__* key, const char* name, uint32_t value);

// Reads all four settings; each one that is missing or unreadable takes its
// default, which is written back at once.
Settings loadSettings();

// The same four as the viewer stored them, defaults for those it has not,
// without writing anything: for the Explorer handlers, which only look.
Settings storedSettings();

// Opens the key, stores one value as a REG_DWORD and closes the key again.
void saveSetting(const char* name, uint32_t value);
