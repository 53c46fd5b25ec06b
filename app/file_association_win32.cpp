// Writes the .nfo file association:
//   .nfo                          = "NfoFile"
//   NfoFile                       = "Nfo File"
//   NfoFile\shell\open\command    = "<program>" "%1"   (REG_EXPAND_SZ)
//   NfoFile\DefaultIcon           = <program>,1        (icon index 1: IDI_DOC)
// below HKEY_CLASSES_ROOT where that may be written (an elevated user), else
// below HKEY_CURRENT_USER\Software\Classes, which is what HKEY_CLASSES_ROOT
// shows the user who runs the program. Every write is checked: when one
// fails, each key and value written is put back as it was, so no half-made
// association (an extension naming a type without an open command) is left,
// and an error box says so. A made association is announced to the shell.
// The command quotes both the program and the file, so that a program or a
// file in a folder with blanks is not split at the first blank by the shell.
#include <windows.h>
#include <shlobj.h>

#include "app/file_association.h"

static const DWORD pathLength = 500;    // GetModuleFileNameA limit; the buffers hold 512

// The keys written, each below the one before it (or the root), created one
// level at a time so that the undo knows which of them are new.
static const char* const keyPaths[] = {
    ".nfo", "NfoFile", "NfoFile\\shell", "NfoFile\\shell\\open", "NfoFile\\shell\\open\\command",
    "NfoFile\\DefaultIcon",
};
static const DWORD valueTypes[] = {REG_SZ, REG_SZ, 0, 0, REG_EXPAND_SZ, REG_SZ};
static const int keyCount = sizeof(keyPaths) / sizeof(keyPaths[0]);

// What a key held before the association was written over it.
struct SavedKey {
    bool created;           // the key is new: the undo deletes it
    bool valueReplaced;     // its default value was written: the undo puts back the old one
    bool hadValue;
    DWORD type;
    DWORD size;
    BYTE data[1024];
};
static SavedKey savedKeys[keyCount];

// An existing ".nfo" key, whatever type it points to, counts as an association.
static bool associationExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".nfo", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Keeps the key's default value in saved, then writes text over it.
static LONG replaceDefaultValue(HKEY key, DWORD type, const char* text, SavedKey* saved)
{
    saved->size = sizeof(saved->data);
    LONG result = RegQueryValueExA(key, nullptr, nullptr, &saved->type, saved->data, &saved->size);
    saved->hadValue = result == ERROR_SUCCESS;
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return result;    // a value that cannot be kept is not written over
    saved->valueReplaced = true;
    return RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(text),
                          DWORD(lstrlenA(text) + 1));
}

// Puts back the first count keys of the table, the last one first: new keys
// are deleted, replaced values restored.
static void undoKeys(HKEY root, int count)
{
    while (count-- > 0) {
        const SavedKey& saved = savedKeys[count];
        if (saved.created) {
            RegDeleteKeyA(root, keyPaths[count]);
            continue;
        }
        HKEY key;
        if (!saved.valueReplaced ||
            RegOpenKeyExA(root, keyPaths[count], 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            continue;
        if (saved.hadValue)
            RegSetValueExA(key, nullptr, 0, saved.type, saved.data, saved.size);
        else
            RegDeleteValueA(key, nullptr);
        RegCloseKey(key);
    }
}

// Writes every key and value below root; on the first failure undoes what
// it wrote and returns that failure's code.
static LONG writeKeys(HKEY root, const char* const values[])
{
    LONG result = ERROR_SUCCESS;
    int done = 0;
    for (; done < keyCount && result == ERROR_SUCCESS; ++done) {
        SavedKey* saved = &savedKeys[done];
        saved->valueReplaced = false;
        HKEY key;
        DWORD disposition;
        result = RegCreateKeyExA(root, keyPaths[done], 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, &disposition);
        if (result != ERROR_SUCCESS)
            break;
        saved->created = disposition == REG_CREATED_NEW_KEY;
        if (values[done])
            result = replaceDefaultValue(key, valueTypes[done], values[done], saved);
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        undoKeys(root, done);
    return result;
}

// Below HKEY_CLASSES_ROOT; where that is refused, below the user's own classes.
static bool writeAssociation(const char* const values[])
{
    LONG result = writeKeys(HKEY_CLASSES_ROOT, values);
    if (result != ERROR_ACCESS_DENIED)
        return result == ERROR_SUCCESS;
    HKEY userClasses;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &userClasses, nullptr) != ERROR_SUCCESS)
        return false;
    result = writeKeys(userClasses, values);
    RegCloseKey(userClasses);
    return result == ERROR_SUCCESS;
}

// The program's full path followed by suffix; false when the path does not
// fit the buffer whole (a cut path would name another file).
static bool programPathWith(char* buffer, const char* suffix)
{
    DWORD length = GetModuleFileNameA(nullptr, buffer, pathLength);
    if (length == 0 || length >= pathLength)
        return false;
    lstrcatA(buffer, suffix);
    return true;
}

// The shell keeps the associations it has read: tell it they changed. shell32
// is not among the program's imports, so it is loaded here, when needed.
static void announceToShell()
{
    HMODULE shell = LoadLibraryA("shell32.dll");
    if (!shell)
        return;
    typedef void(WINAPI * ChangeNotify)(LONG, UINT, const void*, const void*);
    ChangeNotify notify =
        reinterpret_cast<ChangeNotify>(reinterpret_cast<void*>(GetProcAddress(shell, "SHChangeNotify")));
    if (notify)
        notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void associateNfoFiles(HWND owner)
{
    if (associationExists() &&
        MessageBoxA(owner, "An association exists, overwrite?", "Warning",
                    MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    char command[512], icon[512];
    command[0] = '"';
    const char* const values[keyCount] = {"NfoFile", "Nfo File", nullptr, nullptr, command, icon};
    if (!programPathWith(command + 1, "\" \"%1\"") || !programPathWith(icon, ",1") ||
        !writeAssociation(values)) {
        MessageBoxA(owner, ".Nfo files could not be associated with Tavelin", "Error",
                    MB_OK | MB_ICONERROR);
        return;
    }
    announceToShell();
    MessageBoxA(owner, ".Nfo files associated with Tavelin", "Success", MB_OK);
}
