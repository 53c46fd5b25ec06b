// Registration as a user without admin rights runs it. Faults caught: an
// entry Explorer reads that is missing or names the wrong class or file, a
// file type's own values lost, and anything left behind (or taken away) by
// regsvr32 /u, also from the other architecture's DLL, and the shell not told.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/explorer/explorer_host.h"

namespace {

std::wstring stringValue(const std::wstring& key, const wchar_t* name)
{
    wchar_t value[MAX_PATH] = L"";
    DWORD size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

std::wstring idText(const CLSID& id)
{
    wchar_t text[40];
    StringFromGUID2(id, text, 40);
    return text;
}

void setString(const wchar_t* key, const wchar_t* value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, key, nullptr, REG_SZ, value, (lstrlenW(value) + 1) * 2);
}

int shellTold;
LRESULT CALLBACK shellWatcher(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    shellTold += message == WM_APP && lParam == SHCNE_ASSOCCHANGED;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST(Registration, WritesTheHandlersForTheUserAndUnregisteringRestoresTheRegistry)
{
    ASSERT_EQ(0u, runRegsvr32(true));
    // What the user's classes hold already: the viewer's association and
    // other programs' handlers, of a kind this DLL does not register and of one it does.
    const wchar_t otherHandler[] = L"Software\\Classes\\.diz\\ShellEx\\{BB2E617C-0920-11d1-9A0B-00C04FC2D6C1}";
    setString(L"Software\\Classes\\.nfo", L"NfoFile");
    setString(otherHandler, L"{00000000-1111-2222-3333-444444444444}");
    setString((std::wstring(L"Software\\Classes\\.diz\\ShellEx\\") + previewKind).c_str(),
              L"{00000000-5555-6666-7777-888888888888}");
    const std::string before = registrySnapshot();

    ASSERT_EQ(0u, runRegsvr32(false));
    const std::wstring classes = L"Software\\Classes\\";
    for (const wchar_t* type : {L".nfo", L".diz", L".ans"}) {
        std::wstring shellEx = classes + type + L"\\ShellEx\\";
        EXPECT_EQ(idText(thumbnailClass), stringValue(shellEx + thumbnailKind, nullptr));
        EXPECT_EQ(idText(previewClass), stringValue(shellEx + previewKind, nullptr));
    }
    wchar_t full[MAX_PATH];
    GetFullPathNameW(dllPath().c_str(), MAX_PATH, full, nullptr);
    for (const CLSID* id : {&thumbnailClass, &previewClass}) {
        std::wstring server = classes + L"CLSID\\" + idText(*id) + L"\\InprocServer32";
        EXPECT_EQ(0, lstrcmpiW(full, stringValue(server, nullptr).c_str()));
        EXPECT_EQ(L"Apartment", stringValue(server, L"ThreadingModel"));
    }
    std::wstring preview = classes + L"CLSID\\" + idText(previewClass);
    EXPECT_EQ(L"{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}", stringValue(preview, L"AppID"));
    EXPECT_FALSE(stringValue(L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
                             idText(previewClass).c_str()).empty());
    EXPECT_EQ(L"NfoFile", stringValue(classes + L".nfo", nullptr));

    ASSERT_EQ(0u, runRegsvr32(true));
    EXPECT_EQ(before, registrySnapshot());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.nfo");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.diz");
    ASSERT_EQ(0u, runRegsvr32(false));
}

// The 32-bit DLL's preview class, planted where 64-bit Windows keeps the
// 32-bit view: regsvr32 /u of the 64-bit DLL leaves the preview entries to it.
TEST(Registration, TheSharedEntriesStayWhileTheOtherArchitecturesClassIsRegistered)
{
    if (sizeof(void*) == 4)
        GTEST_SKIP() << "Wine keeps one view of the user's classes: no 64-bit class can be planted apart";
    const std::wstring classes = L"Software\\Classes\\", planted = classes + L"Wow6432Node\\CLSID\\";
    setString((planted + idText(previewClass) + L"\\InprocServer32").c_str(), L"C:\\tavelin-explorer-x86.dll");
    ASSERT_EQ(0u, runRegsvr32(true));
    EXPECT_EQ(idText(previewClass), stringValue(classes + L".nfo\\ShellEx\\" + previewKind, nullptr));
    EXPECT_TRUE(stringValue(classes + L".nfo\\ShellEx\\" + thumbnailKind, nullptr).empty());
    EXPECT_TRUE(stringValue(classes + L"CLSID\\" + idText(previewClass), nullptr).empty());
    RegDeleteTreeW(HKEY_CURRENT_USER, (classes + L"Wow6432Node").c_str());   // the prefix has none of its own
    ASSERT_EQ(0u, runRegsvr32(false));
}

// Wine tells only the windows of SHChangeNotify's own process: the entry points are called here.
TEST(Registration, RegisteringAndUnregisteringTellTheShell)
{
    WNDCLASSW watcherClass = {0, shellWatcher, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"ShellWatcher"};
    HWND watcher = CreateWindowW((LPCWSTR)(UINT_PTR)RegisterClassW(&watcherClass), L"", 0, 0, 0, 0, 0, 0, 0, 0, 0);
    SHChangeNotifyEntry everything = {nullptr, TRUE};
    ULONG watch = SHChangeNotifyRegister(watcher, SHCNRF_ShellLevel, SHCNE_ASSOCCHANGED, WM_APP, 1, &everything);
    HMODULE dll = LoadLibraryW(dllPath().c_str());
    for (const char* name : {"DllUnregisterServer", "DllRegisterServer"}) {
        shellTold = 0;
        EXPECT_EQ(S_OK, ((HRESULT(WINAPI*)())(void*)GetProcAddress(dll, name))()) << name;
        EXPECT_EQ(1, shellTold) << name;    // sent to the window before SHChangeNotify returns
    }
    SHChangeNotifyDeregister(watch);
    DestroyWindow(watcher);
    FreeLibrary(dll);
}
