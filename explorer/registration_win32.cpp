// DllRegisterServer and DllUnregisterServer: the handlers registered for the
// current user under HKEY_CURRENT_USER, no admin rights needed. Written:
//   Software\Classes\CLSID\{class}            name; the preview handler also
//                                             DisplayName and the AppID of the
//                                             system's preview host
//   Software\Classes\CLSID\{class}\InprocServer32   this DLL, Apartment
//   Software\Classes\.nfo and .diz\ShellEx\{handler kind}   {class}
//   Software\Microsoft\Windows\CurrentVersion\PreviewHandlers   {class} = name
// On 64-bit Windows each architecture's DLL has a CLSID key of its own (the
// 32-bit one's is kept at Software\Classes\Wow6432Node\CLSID), while the
// ShellEx entries and the PreviewHandlers value are shared: unregistering
// removes the class always, the shared entries only when the other
// architecture has no class of the same id. Another program's handler found
// in a ShellEx entry is kept aside in the entry itself and comes back when
// the entry is taken out; a key above an entry goes only when that leaves it
// empty. Both tell the shell that the handlers changed.
#include <olectl.h>
#include <shlobj.h>

#include "app/globals.h"
#include "explorer/handlers.h"

namespace {

const wchar_t classesKey[] = L"Software\\Classes\\";
const wchar_t previewHandlersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
// The file types the handlers serve, one entry each.
const wchar_t* const extensions[] = {L".nfo", L".diz", L".ans"};
// The value of a ShellEx entry that holds another program's handler, put
// aside while this DLL's class is named there.
const wchar_t keptAsideName[] = L"Tavelin: the handler before";

// The handler kinds a file type names below its ShellEx key.
const wchar_t thumbnailKind[] = L"{e357fccd-a995-4576-b01f-234630154e96}";
const wchar_t previewKind[] = L"{8895b1c6-b41f-4c1c-a562-0d564250836f}";
// The system's preview host (prevhost.exe) for handlers of its own bitness,
// and the 32-bit host for 32-bit handlers on 64-bit Windows.
const wchar_t previewHost[] = L"{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}";
const wchar_t previewHost32On64[] = L"{534A1E02-D58F-44f0-B58B-36CBED287C7C}";

const wchar_t thumbnailName[] = L"Tavelin thumbnails of .nfo files";
const wchar_t previewName[] = L"Tavelin preview of .nfo files";

struct Handler {
    const CLSID* id;
    const wchar_t* kind;
    const wchar_t* name;
};
const Handler handlers[] = {
    {&thumbnailProviderId, thumbnailKind, thumbnailName},
    {&previewHandlerId, previewKind, previewName},
};

// Builds "a" + "b" + "c" into out (at most `room` characters with the zero).
void join(wchar_t* out, size_t room, const wchar_t* a, const wchar_t* b = L"", const wchar_t* c = L"")
{
    size_t n = 0;
    const wchar_t* parts[] = {a, b, c};
    for (const wchar_t* part : parts)
        for (const wchar_t* p = part; *p && n + 1 < room; ++p)
            out[n++] = *p;
    out[n] = 0;
}

LONG setString(const wchar_t* keyPath, const wchar_t* name, const wchar_t* value)
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    DWORD bytes = (DWORD)((lstrlenW(value) + 1) * sizeof(wchar_t));
    result = RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)value, bytes);
    RegCloseKey(key);
    return result;
}

bool isEmptyKey(const wchar_t* keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 1, values = 1;
    LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

void deleteIfEmpty(const wchar_t* keyPath)
{
    if (isEmptyKey(keyPath))
        RegDeleteKeyW(HKEY_CURRENT_USER, keyPath);
}

// A registry value as stored, up to 1 KB (a class id takes 78 bytes).
struct StoredValue {
    DWORD type;
    DWORD bytes;
    BYTE data[1024 + sizeof(wchar_t)];   // room for a missing terminator
};

LONG readValue(HKEY key, const wchar_t* name, StoredValue& value)
{
    value.bytes = sizeof value.data - sizeof(wchar_t);
    return RegQueryValueExW(key, name, nullptr, &value.type, value.data, &value.bytes);
}

bool namesClass(const StoredValue& value, const wchar_t* id)
{
    return value.type == REG_SZ && lstrcmpiW((const wchar_t*)value.data, id) == 0;
}

// Names the class in a file type's ShellEx entry; a handler of another
// program found there is kept aside first (one too long to keep fails).
LONG setShellExEntry(const wchar_t* keyPath, const wchar_t* id)
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    StoredValue current = {};
    LONG found = readValue(key, nullptr, current);
    if (found == ERROR_SUCCESS && !namesClass(current, id))
        result = RegSetValueExW(key, keptAsideName, 0, current.type, current.data, current.bytes);
    else if (found == ERROR_MORE_DATA)
        result = found;
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)id, (DWORD)((lstrlenW(id) + 1) * 2));
    RegCloseKey(key);
    return result;
}

// Takes the class out of a ShellEx entry that names it: the handler kept
// aside comes back, or the entry goes. The kept value goes either way.
void clearShellExEntry(const wchar_t* keyPath, const wchar_t* id)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    StoredValue current = {}, kept = {};
    bool named = readValue(key, nullptr, current) == ERROR_SUCCESS && namesClass(current, id);
    LONG restored = ERROR_SUCCESS;
    if (named && readValue(key, keptAsideName, kept) == ERROR_SUCCESS)
        restored = RegSetValueExW(key, nullptr, 0, kept.type, kept.data, kept.bytes);
    else if (named)
        RegDeleteValueW(key, nullptr);
    if (restored == ERROR_SUCCESS)
        RegDeleteValueW(key, keptAsideName);
    RegCloseKey(key);
    deleteIfEmpty(keyPath);
}

bool keyExists(const wchar_t* keyPath, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Whether the other architecture's DLL has the class registered: its key in
// the other registry view. Wine keeps one view of the user's classes for
// both, so the 64-bit DLL also looks where Windows keeps the 32-bit view,
// Wow6432Node. Asked once this DLL's own key is gone, so that with a single
// view the own key is not taken for the other's.
bool otherArchitectureHasClass(const wchar_t* id)
{
    const bool is64 = sizeof(void*) == 8;
    wchar_t classKey[128];
    join(classKey, 128, classesKey, L"CLSID\\", id);
    if (keyExists(classKey, is64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY))
        return true;
    join(classKey, 128, classesKey, L"Wow6432Node\\CLSID\\", id);
    return is64 && keyExists(classKey, KEY_WOW64_64KEY);
}

// Explorer keeps the handlers it has read until it is told they changed.
// shell32 is not among the DLL's imports, so it is loaded here.
void announceToShell()
{
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    if (!shell)
        return;
    typedef void(WINAPI * ChangeNotify)(LONG, UINT, const void*, const void*);
    ChangeNotify notify = (ChangeNotify)(void*)GetProcAddress(shell, "SHChangeNotify");
    if (notify)
        notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    FreeLibrary(shell);
}

// The 32-bit DLL on 64-bit Windows runs in the 32-bit preview host.
const wchar_t* previewHostId()
{
    typedef BOOL(WINAPI * IsWow64)(HANDLE, BOOL*);
    IsWow64 isWow64 = (IsWow64)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 4 && isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64)
        return previewHost32On64;
    return previewHost;
}

LONG registerHandler(const Handler& handler, const wchar_t* modulePath)
{
    wchar_t id[40], classKey[128], serverKey[160], extensionKey[160];
    StringFromGUID2(*handler.id, id, 40);
    join(classKey, 128, classesKey, L"CLSID\\", id);
    join(serverKey, 160, classKey, L"\\InprocServer32");
    LONG result = setString(classKey, nullptr, handler.name);
    if (result == ERROR_SUCCESS && handler.id == &previewHandlerId) {
        result = setString(classKey, L"DisplayName", handler.name);
        if (result == ERROR_SUCCESS)
            result = setString(classKey, L"AppID", previewHostId());
        if (result == ERROR_SUCCESS)
            result = setString(previewHandlersKey, id, handler.name);
    }
    if (result == ERROR_SUCCESS)
        result = setString(serverKey, nullptr, modulePath);
    if (result == ERROR_SUCCESS)
        result = setString(serverKey, L"ThreadingModel", L"Apartment");
    for (const wchar_t* extension : extensions) {
        join(extensionKey, 160, classesKey, extension, L"\\ShellEx\\");
        join(extensionKey + lstrlenW(extensionKey), 64, handler.kind);
        if (result == ERROR_SUCCESS)
            result = setShellExEntry(extensionKey, id);
    }
    return result;
}

void unregisterHandler(const Handler& handler)
{
    wchar_t id[40], classKey[128], shellExKey[128], extensionKey[160], typeKey[64];
    StringFromGUID2(*handler.id, id, 40);
    join(classKey, 128, classesKey, L"CLSID\\", id);
    RegDeleteTreeW(HKEY_CURRENT_USER, classKey);
    if (otherArchitectureHasClass(id))
        return;     // the shared entries serve the other DLL's class
    for (const wchar_t* extension : extensions) {
        join(typeKey, 64, classesKey, extension);
        join(shellExKey, 128, typeKey, L"\\ShellEx");
        join(extensionKey, 160, shellExKey, L"\\", handler.kind);
        clearShellExEntry(extensionKey, id);
        deleteIfEmpty(shellExKey);
        deleteIfEmpty(typeKey);
    }
    if (handler.id == &previewHandlerId) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, previewHandlersKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, id);
            RegCloseKey(key);
        }
        deleteIfEmpty(previewHandlersKey);
    }
}

}  // namespace

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    for (const Handler& handler : handlers)
        unregisterHandler(handler);
    announceToShell();
    return S_OK;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    wchar_t modulePath[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW((HMODULE)appInstance, modulePath, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return SELFREG_E_CLASS;
    for (const Handler& handler : handlers) {
        if (registerHandler(handler, modulePath) != ERROR_SUCCESS) {
            // Nothing half-registered stays behind.
            DllUnregisterServer();
            return SELFREG_E_CLASS;
        }
    }
    announceToShell();
    return S_OK;
}
