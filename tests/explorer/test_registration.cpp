// Registration as a user without admin rights runs it. Faults caught: an
// entry Explorer reads that is missing or names the wrong class or file, a
// file type's own values lost, and anything left behind (or taken away) by
// regsvr32 /u.
#include <gtest/gtest.h>

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

}  // namespace

TEST(Registration, WritesTheHandlersForTheUserAndUnregisteringRestoresTheRegistry)
{
    ASSERT_EQ(0u, runRegsvr32(true));
    // What the user's classes hold already: the viewer's association and
    // another program's handler of a kind this DLL does not register.
    const wchar_t otherHandler[] = L"Software\\Classes\\.diz\\ShellEx\\{BB2E617C-0920-11d1-9A0B-00C04FC2D6C1}";
    setString(L"Software\\Classes\\.nfo", L"NfoFile");
    setString(otherHandler, L"{00000000-1111-2222-3333-444444444444}");
    const std::string before = registrySnapshot();

    ASSERT_EQ(0u, runRegsvr32(false));
    const std::wstring classes = L"Software\\Classes\\";
    for (const wchar_t* type : {L".nfo", L".diz"}) {
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
