// DllRegisterServer and DllUnregisterServer: the handlers registered for the
// current user under HKEY_CURRENT_USER, no admin rights needed. Written:
//   Software\Classes\CLSID\{class}            name; the preview handler also
//                                             DisplayName and the AppID of the
//                                             system's preview host
//   Software\Classes\CLSID\{class}\InprocServer32   this DLL, Apartment
//   Software\Classes\.nfo and .diz\ShellEx\{handler kind}   {class}
//   Software\Microsoft\Windows\CurrentVersion\PreviewHandlers   {class} = name
// Unregistering removes exactly these: a ShellEx entry only while it still
// names this class, and a key above it only when that leaves it empty.
#include <olectl.h>

#include "app/globals.h"
#include "explorer/handlers.h"

namespace {

const wchar_t classesKey[] = L"Software\\Classes\\";
const wchar_t previewHandlersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
const wchar_t* const extensions[] = {L".nfo", L".diz"};

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

// True when the key's default value is the string `value`.
bool defaultValueIs(const wchar_t* keyPath, const wchar_t* value)
{
    wchar_t stored[64] = {};
    DWORD bytes = sizeof stored - sizeof(wchar_t);
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExW(key, nullptr, nullptr, &type, (BYTE*)stored, &bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ && lstrcmpiW(stored, value) == 0;
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
            result = setString(extensionKey, nullptr, id);
    }
    return result;
}

void unregisterHandler(const Handler& handler)
{
    wchar_t id[40], classKey[128], shellExKey[128], extensionKey[160], typeKey[64];
    StringFromGUID2(*handler.id, id, 40);
    join(classKey, 128, classesKey, L"CLSID\\", id);
    RegDeleteTreeW(HKEY_CURRENT_USER, classKey);
    for (const wchar_t* extension : extensions) {
        join(typeKey, 64, classesKey, extension);
        join(shellExKey, 128, typeKey, L"\\ShellEx");
        join(extensionKey, 160, shellExKey, L"\\", handler.kind);
        if (defaultValueIs(extensionKey, id))
            RegDeleteKeyW(HKEY_CURRENT_USER, extensionKey);
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
    return S_OK;
}
