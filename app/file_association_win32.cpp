// Writes the .nfo file association under HKEY_CLASSES_ROOT:
//   .nfo                          = "NfoFile"
//   NfoFile                       = "Nfo File"
//   NfoFile\shell\open\command    = "<program>" "%1"   (REG_EXPAND_SZ)
//   NfoFile\DefaultIcon           = <program>,1        (icon index 1: IDI_DOC)
// The command quotes both the program and the file, so that a program or a
// file in a folder with blanks is not split at the first blank by the shell.
#include <windows.h>

#include "app/file_association.h"

static const DWORD pathLength = 500;    // GetModuleFileNameA limit; the buffers hold 512

// An existing ".nfo" key, whatever type it points to, counts as an association.
static bool associationExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".nfo", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

static HKEY createKey(HKEY parent, const char* name, REGSAM access)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

static LONG setDefaultValue(HKEY key, DWORD type, const char* text)
{
    return RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(text),
                          DWORD(lstrlenA(text) + 1));
}

// ".nfo" = "NfoFile". False when the key or its value cannot be written.
static bool writeExtensionKey()
{
    HKEY extension = createKey(HKEY_CLASSES_ROOT, ".nfo", KEY_SET_VALUE);
    if (!extension)
        return false;
    LONG result = setDefaultValue(extension, REG_SZ, "NfoFile");
    RegCloseKey(extension);
    return result == ERROR_SUCCESS;
}

// "<program>" "%1"
static void writeOpenCommand(HKEY fileType)
{
    HKEY shell = createKey(fileType, "shell", KEY_CREATE_SUB_KEY | KEY_SET_VALUE);
    if (!shell)
        return;
    HKEY open = createKey(shell, "open", KEY_CREATE_SUB_KEY | KEY_SET_VALUE);
    if (open) {
        HKEY command = createKey(open, "command", KEY_SET_VALUE);
        if (command) {
            char line[512];
            line[0] = '"';
            GetModuleFileNameA(nullptr, line + 1, pathLength);
            lstrcatA(line, "\" \"%1\"");
            setDefaultValue(command, REG_EXPAND_SZ, line);
            RegCloseKey(command);
        }
        RegCloseKey(open);
    }
    RegCloseKey(shell);
}

// <program>,1: the second icon group of the program file.
static void writeDefaultIcon(HKEY fileType)
{
    HKEY icon = createKey(fileType, "DefaultIcon", KEY_CREATE_SUB_KEY | KEY_SET_VALUE);
    if (!icon)
        return;
    char path[512];
    GetModuleFileNameA(nullptr, path, pathLength);
    lstrcatA(path, ",1");
    setDefaultValue(icon, REG_SZ, path);
    RegCloseKey(icon);
}

void associateNfoFiles(HWND owner)
{
    if (associationExists() &&
        MessageBoxA(owner, "An association exists, overwrite?", "Warning",
                    MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    if (!writeExtensionKey())
        return;
    HKEY fileType = createKey(HKEY_CLASSES_ROOT, "NfoFile", KEY_CREATE_SUB_KEY | KEY_SET_VALUE);
    if (!fileType)
        return;
    setDefaultValue(fileType, REG_SZ, "Nfo File");
    writeOpenCommand(fileType);
    writeDefaultIcon(fileType);
    RegCloseKey(fileType);
    MessageBoxA(owner, ".Nfo files associated with Tavelin", "Success", MB_OK);
}
