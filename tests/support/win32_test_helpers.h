// Small helpers that the Wine tests and the end-to-end tests share: files in
// the temp folder, DWORD values under the program's settings key, a bitmap's
// pixels.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

// The registry key, under HKEY_CURRENT_USER, where the program keeps its settings.
const char kSettingsKey[] = "Software\\Tavelin";

// name inside the temp folder.
std::string tempPath(const char* name);

// Writes text to path, replacing what was there; a test fails when the file
// cannot be created.
void writeFile(const std::string& path, const std::string& text);

// The settings value name, when it exists as a four-byte REG_DWORD.
bool readDword(const char* name, DWORD* value);
// Stores value as the REG_DWORD settings value name; a test fails when the key
// cannot be created.
void writeDword(const char* name, DWORD value);

// The threads of a process, from a ToolHelp snapshot; -1 when none can be had.
int threadsOf(DWORD processId);

// The pixels of a bitmap of width x height as 32-bit values (0xAARRGGBB), top
// row first, as GetDIBits hands them out.
std::vector<uint32_t> bitmapPixels(HBITMAP bitmap, int32_t width, int32_t height);
