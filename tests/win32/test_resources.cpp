// The resources linked into the program: menus, the About box (its template
// read raw, and the box opened for real and closed from a helper thread), the
// icons, the cursors and the About picture, and the icon order the shell sees.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/about_dialog.h"
#include "app/globals.h"
#include "resources/resource.h"
#include "tests/support/win32_test_helpers.h"

namespace {

// ---------------------------------------------------------------- raw data

struct RawResource {
    const uint8_t* data = nullptr;
    DWORD size = 0;
};

RawResource rawResource(const char* type, int id)
{
    RawResource r;
    HRSRC found = FindResourceExA(appInstance, type, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!found)
        return r;
    r.data = static_cast<const uint8_t*>(LockResource(LoadResource(appInstance, found)));
    r.size = SizeofResource(appInstance, found);
    return r;
}

uint16_t word(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t dword(const uint8_t* p) { return word(p) | uint32_t(word(p + 2)) << 16; }

// ---------------------------------------------------------------- menus

// Writes a menu as text: items separated by ',', a submenu in braces after its
// title, "=id" after a command, '*' when checked, '~' when greyed, '-' for a
// separator.
std::string describeMenu(HMENU menu)
{
    std::string out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (i)
            out += ',';
        if (info.fType & MFT_SEPARATOR)
            out += '-';
        out += text;
        if (info.hSubMenu)
            out += '{' + describeMenu(info.hSubMenu) + '}';
        else
            out += '=' + std::to_string(info.wID);
        if (info.fState & MFS_CHECKED)
            out += '*';
        if (info.fState & MFS_GRAYED)
            out += '~';
    }
    return out;
}

TEST(Resources, MenusHaveTheirItemsIdsAndCheckMarksInOrder)
{
    const struct {
        int id;
        std::string layout;
    } menus[] = {
        {IDR_MAINMENU,
         "&File{Open...=40001,&Exit=40007},"
         "&Options{Set &Colors{Foreground=40005,Background...=40006},Fade=40009*,"
         "Copy on Select=40013*,&Associate with .nfo files=40015},"
         "&Help{&About=40014}"},
        {IDR_CONTEXTMENU, "{Copy=40012}"},
    };
    for (const auto& m : menus) {
        HMENU menu = LoadMenuA(appInstance, MAKEINTRESOURCEA(m.id));
        ASSERT_NE(nullptr, menu) << m.id;
        EXPECT_EQ(m.layout, describeMenu(menu)) << m.id;
        DestroyMenu(menu);
    }
}

// ---------------------------------------------------------------- dialog template

struct TemplateReader {
    const uint8_t* p;
    uint16_t u16() { uint16_t v = word(p); p += 2; return v; }
    uint32_t u32() { uint32_t v = dword(p); p += 4; return v; }
    // A string or an ordinal ("#n"); an empty string reads "".
    std::string nameOrOrdinal()
    {
        if (word(p) == 0xFFFF) {
            p += 2;
            return "#" + std::to_string(u16());
        }
        std::string s;
        while (uint16_t c = u16())
            s += char(c);
        return s;
    }
    void alignToDword(const uint8_t* base)
    {
        while ((p - base) % 4)
            ++p;
    }
};

TEST(Resources, AboutTemplateIsAnExtendedDialogWithItsFourControls)
{
    RawResource raw = rawResource(RT_DIALOG, IDD_ABOUT);
    ASSERT_NE(nullptr, raw.data);
    TemplateReader r{raw.data};
    EXPECT_EQ(1, r.u16());          // version
    EXPECT_EQ(0xFFFF, r.u16());     // extended template
    EXPECT_EQ(0u, r.u32());         // help id
    EXPECT_EQ(0x80u, r.u32());      // WS_EX_TOOLWINDOW
    EXPECT_EQ(0x80C808C0u, r.u32());
    const uint16_t controls = r.u16();
    EXPECT_EQ(4, controls);
    const uint16_t frame[4] = {r.u16(), r.u16(), r.u16(), r.u16()};
    EXPECT_EQ(0, frame[0]);
    EXPECT_EQ(0, frame[1]);
    EXPECT_EQ(149, frame[2]);
    EXPECT_EQ(44, frame[3]);
    EXPECT_EQ("", r.nameOrOrdinal());           // no menu
    EXPECT_EQ("", r.nameOrOrdinal());           // the default dialog class
    EXPECT_EQ("About...", r.nameOrOrdinal());
    EXPECT_EQ(8, r.u16());                      // points
    EXPECT_EQ(0, r.u16());                      // weight
    EXPECT_EQ(0, *r.p++);                       // italic
    EXPECT_EQ(1, *r.p++);                       // DEFAULT_CHARSET
    EXPECT_EQ("MS Sans Serif", r.nameOrOrdinal());

    const struct {
        const char* cls;     // the predefined class, by name or by its ordinal
        std::string text;
        uint32_t id, style;
        int16_t x, y, cx, cy;
    } expected[] = {
        {"button", "OK", 1, 0x50010001, 119, 8, 22, 29},
        {"static", "#124", 0xFFFFFFFF, 0x5080100E, 8, 9, 28, 26},
        {"static", "Tavelin", 0xFFFFFFFF, 0x50020000, 43, 12, 45, 8},
        {"static", "", 0xFFFFFFFF, 0x50020000, 43, 24, 67, 8},
    };
    for (int i = 0; i < controls && i < 4; ++i) {
        const auto& want = expected[i];
        r.alignToDword(raw.data);
        EXPECT_EQ(0u, r.u32()) << i;            // help id
        EXPECT_EQ(0u, r.u32()) << i;            // extended style
        EXPECT_EQ(want.style, r.u32()) << i;
        EXPECT_EQ(want.x, int16_t(r.u16())) << i;
        EXPECT_EQ(want.y, int16_t(r.u16())) << i;
        EXPECT_EQ(want.cx, int16_t(r.u16())) << i;
        EXPECT_EQ(want.cy, int16_t(r.u16())) << i;
        EXPECT_EQ(want.id, r.u32()) << i;
        std::string cls = r.nameOrOrdinal();
        const std::string ordinal = want.cls[0] == 'b' ? "#128" : "#130";
        EXPECT_TRUE(lstrcmpiA(cls.c_str(), want.cls) == 0 || cls == ordinal) << i << ": " << cls;
        std::string text = r.nameOrOrdinal();
        if (want.text.empty())
            EXPECT_NE(std::string::npos, text.find("20")) << "credit line names a year: " << text;
        else
            EXPECT_EQ(want.text, text) << i;
        uint16_t extra = r.u16();
        r.p += extra;
    }
    EXPECT_LE(size_t(r.p - raw.data), size_t(raw.size));
}

// ---------------------------------------------------------------- the live About box

struct AboutSession {
    INT_PTR result = -2;
    bool closedEarly = false;       // closed by a message that must not close it
    bool closedByAction = false;
    bool pictureShown = false;
    bool okHasFocus = false;
    std::string credit;
    SIZE creditNeeds = {0, 0};     // its text on one line in the control's own font
    SIZE creditHas = {0, 0};       // the control's client area
};

// The credit line, the last of the box's controls, measured as it is drawn.
void measureCredit(HWND dialog, AboutSession& session)
{
    HWND credit = GetWindow(GetDlgItem(dialog, IDOK), GW_HWNDLAST);
    char text[128] = "";
    GetWindowTextA(credit, text, sizeof text);
    session.credit = text;
    RECT client = {};
    GetClientRect(credit, &client);
    session.creditHas = {client.right, client.bottom};
    HDC dc = GetDC(credit);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(credit, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
    SelectObject(dc, old);
    ReleaseDC(credit, dc);
    session.creditNeeds = {needed.right - needed.left, needed.bottom - needed.top};
}

HWND waitForAbout()
{
    for (int i = 0; i < 500; ++i) {
        HWND dialog = FindWindowA("#32770", "About...");
        if (dialog && IsWindowVisible(dialog))
            return dialog;
        Sleep(10);
    }
    return nullptr;
}

bool waitUntilGone(HWND dialog, int milliseconds)
{
    for (int t = 0; t < milliseconds; t += 10) {
        if (!IsWindow(dialog))
            return true;
        Sleep(10);
    }
    return !IsWindow(dialog);
}

// Waits until the box has handled every message posted to it so far: a probe
// posted last pushes the OK button's state. False when the box went away.
bool flushPosted(HWND dialog)
{
    HWND ok = GetDlgItem(dialog, IDOK);
    PostMessageA(ok, BM_SETSTATE, TRUE, 0);
    for (int i = 0; i < 500 && IsWindow(dialog); ++i) {
        if (SendMessageA(ok, BM_GETSTATE, 0, 0) & BST_PUSHED) {
            SendMessageA(ok, BM_SETSTATE, FALSE, 0);
            return true;
        }
        Sleep(10);
    }
    return false;
}

// Opens the About box on this thread; a helper first posts messages that must
// leave the box open, then runs close, and as a last resort clicks OK.
AboutSession runAbout(const std::function<void(HWND)>& close)
{
    AboutSession session;
    std::thread helper([&] {
        HWND dialog = waitForAbout();
        if (!dialog)
            return;
        HWND picture = GetWindow(GetDlgItem(dialog, IDOK), GW_HWNDNEXT);
        session.pictureShown = picture && SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
        session.okHasFocus = gui.hwndFocus == GetDlgItem(dialog, IDOK);
        measureCredit(dialog, session);

        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        PostMessageA(dialog, WM_KEYUP, 'A', 0xC01E0001);
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        session.closedEarly = !flushPosted(dialog);
        if (session.closedEarly)
            return;
        close(dialog);
        session.closedByAction = waitUntilGone(dialog, 2000);
        if (!session.closedByAction)
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    session.result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                     aboutDialogProc, 0);
    helper.join();
    return session;
}

TEST(Resources, AboutBoxClosesOnOkEnterAndEscapeReleaseOnly)
{
    const struct {
        const char* how;
        std::function<void(HWND)> close;
    } ways[] = {
        {"OK clicked", [](HWND d) { PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }},
        {"Enter", [](HWND d) { PostMessageA(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_RETURN, 0x001C0001); }},
        {"IDOK with a notification code",
         [](HWND d) { PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0); }},
        {"Escape released", [](HWND d) { PostMessageA(d, WM_KEYUP, VK_ESCAPE, 0xC0010001); }},
    };
    for (const auto& way : ways) {
        AboutSession s = runAbout(way.close);
        EXPECT_EQ(0, s.result) << way.how;
        EXPECT_FALSE(s.closedEarly) << way.how;
        EXPECT_TRUE(s.closedByAction) << way.how;
        EXPECT_TRUE(s.pictureShown) << way.how;
        EXPECT_TRUE(s.okHasFocus) << way.how;
    }
}

TEST(Resources, AboutCreditFitsItsControlOnOneLine)
{
    AboutSession s = runAbout([](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); });
    ASSERT_FALSE(s.credit.empty());
    ASSERT_GT(s.creditNeeds.cx, 0);
    EXPECT_LE(s.creditNeeds.cx, s.creditHas.cx) << s.credit;
    EXPECT_LE(s.creditNeeds.cy, s.creditHas.cy) << s.credit;
}

// ---------------------------------------------------------------- icons

const RGBQUAD kStandardPalette[16] = {
    {0, 0, 0, 0},       {0, 0, 0x80, 0},    {0, 0x80, 0, 0},    {0, 0x80, 0x80, 0},
    {0x80, 0, 0, 0},    {0x80, 0, 0x80, 0}, {0x80, 0x80, 0, 0}, {0xC0, 0xC0, 0xC0, 0},
    {0x80, 0x80, 0x80, 0}, {0, 0, 0xFF, 0}, {0, 0xFF, 0, 0},    {0, 0xFF, 0xFF, 0},
    {0xFF, 0, 0, 0},    {0xFF, 0, 0xFF, 0}, {0xFF, 0xFF, 0, 0}, {0xFF, 0xFF, 0xFF, 0},
};

SIZE bitmapSize(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

TEST(Resources, IconsAreSixteenColourImagesWithAMask)
{
    const struct {
        int id, size;
    } icons[] = {{IDI_APP, 32}, {IDI_DOC, 16}};
    for (const auto& icon : icons) {
        RawResource group = rawResource(RT_GROUP_ICON, icon.id);
        ASSERT_NE(nullptr, group.data) << icon.id;
        ASSERT_EQ(1, word(group.data + 4)) << "one image in icon " << icon.id;
        const uint8_t* entry = group.data + 6;
        EXPECT_EQ(icon.size, entry[0]);
        EXPECT_EQ(icon.size, entry[1]);
        EXPECT_EQ(16, entry[2]);                // colours
        EXPECT_EQ(4, word(entry + 6));          // bits per pixel

        RawResource image = rawResource(RT_ICON, word(entry + 12));
        ASSERT_NE(nullptr, image.data);
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data);
        EXPECT_EQ(icon.size, header->biWidth);
        EXPECT_EQ(icon.size * 2, header->biHeight);     // colour image and mask
        EXPECT_EQ(4, header->biBitCount);
        EXPECT_EQ(DWORD(BI_RGB), header->biCompression);
        const auto* palette = reinterpret_cast<const RGBQUAD*>(image.data + 40);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(kStandardPalette[i].rgbRed, palette[i].rgbRed) << i;
            EXPECT_EQ(kStandardPalette[i].rgbGreen, palette[i].rgbGreen) << i;
            EXPECT_EQ(kStandardPalette[i].rgbBlue, palette[i].rgbBlue) << i;
        }
        const DWORD colourBytes = icon.size * ((icon.size * 4 + 31) / 32 * 4);
        const DWORD maskBytes = icon.size * ((icon.size + 31) / 32 * 4);
        EXPECT_EQ(40 + 64 + colourBytes + maskBytes, image.size);
        // The corner is transparent, the middle is drawn.
        const uint8_t* mask = image.data + 40 + 64 + colourBytes;
        const DWORD maskStride = maskBytes / icon.size;
        EXPECT_TRUE(mask[(icon.size - 1) * maskStride] & 0x80) << "top-left transparent";
        EXPECT_FALSE(mask[(icon.size / 2) * maskStride + icon.size / 16] & (0x80 >> (icon.size / 2 % 8)))
            << "middle opaque";

        HICON loaded = static_cast<HICON>(
            LoadImageA(appInstance, MAKEINTRESOURCEA(icon.id), IMAGE_ICON, 0, 0, 0));
        ASSERT_NE(nullptr, loaded);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(loaded, &info));
        EXPECT_TRUE(info.fIcon);
        SIZE colour = bitmapSize(info.hbmColor);
        EXPECT_EQ(icon.size, colour.cx);
        EXPECT_EQ(icon.size, colour.cy);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(loaded);
    }
}

// The 32 bits of a pixel's icon bitmaps as 32-bit pixels, for comparing icons.
std::vector<uint32_t> iconPixels(HICON icon)
{
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    SIZE size = bitmapSize(info.hbmColor);
    std::vector<uint32_t> pixels = bitmapPixels(info.hbmColor, size.cx, size.cy);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

BOOL CALLBACK collectIconGroup(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids)
{
    reinterpret_cast<std::vector<int>*>(ids)->push_back(IS_INTRESOURCE(name) ? int(LOWORD(name)) : -1);
    return TRUE;
}

TEST(Resources, IconIndexOneOfTheProgramFileIsTheDocumentIcon)
{
    // The shell counts icon groups in the order of the resource directory.
    std::vector<int> groups;
    EnumResourceNamesA(appInstance, RT_GROUP_ICON, collectIconGroup, reinterpret_cast<LONG_PTR>(&groups));
    EXPECT_EQ((std::vector<int>{IDI_APP, IDI_DOC}), groups);

    // And the way the shell extracts it: "<exe>,1" gives the document icon.
    typedef UINT(WINAPI * ExtractIconExFunction)(LPCSTR, int, HICON*, HICON*, UINT);
    HMODULE shell = LoadLibraryA("shell32.dll");
    ASSERT_NE(nullptr, shell);
    auto extract = reinterpret_cast<ExtractIconExFunction>(GetProcAddress(shell, "ExtractIconExA"));
    ASSERT_NE(nullptr, extract);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(2u, extract(path, -1, nullptr, nullptr, 0));
    HICON small[2] = {};
    for (int index = 0; index < 2; ++index)
        ASSERT_EQ(1u, extract(path, index, nullptr, &small[index], 1)) << index;
    HICON doc = static_cast<HICON>(LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_DOC), IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(nullptr, doc);
    EXPECT_EQ(iconPixels(doc), iconPixels(small[1]));
    EXPECT_NE(iconPixels(doc), iconPixels(small[0]));
    DestroyIcon(doc);
    DestroyIcon(small[0]);
    DestroyIcon(small[1]);
    FreeLibrary(shell);
}

// ---------------------------------------------------------------- cursors

enum class Shade { transparent, black, white, inverted };

// One pixel of a 32 x 32, 1 bpp cursor resource: hot spot, header, two
// palette entries, XOR image and AND mask, rows bottom-up.
Shade cursorPixel(const RawResource& raw, int x, int y)
{
    const uint8_t* image = raw.data + 4 + 40 + 8;
    const int offset = (31 - y) * 4 + x / 8;
    const int bit = 0x80 >> (x % 8);
    const bool xorBit = image[offset] & bit;
    const bool andBit = image[128 + offset] & bit;
    if (andBit)
        return xorBit ? Shade::inverted : Shade::transparent;
    return xorBit ? Shade::white : Shade::black;
}

TEST(Resources, CursorsAreMonochromeWithTheirHotSpots)
{
    const struct {
        int id, hotX, hotY;
        Shade atHotSpot;
    } cursors[] = {
        {IDC_HAND_OPEN, 16, 17, Shade::white},
        {IDC_HAND_GRAB, 16, 17, Shade::white},
        {IDC_UPDOWN, 16, 15, Shade::transparent},
    };
    for (const auto& c : cursors) {
        RawResource group = rawResource(RT_GROUP_CURSOR, c.id);
        ASSERT_NE(nullptr, group.data) << c.id;
        ASSERT_EQ(1, word(group.data + 4));
        RawResource raw = rawResource(RT_CURSOR, word(group.data + 6 + 12));
        ASSERT_NE(nullptr, raw.data) << c.id;
        ASSERT_EQ(4u + 40 + 8 + 128 + 128, raw.size) << c.id;
        EXPECT_EQ(c.hotX, word(raw.data));
        EXPECT_EQ(c.hotY, word(raw.data + 2));
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(raw.data + 4);
        EXPECT_EQ(32, header->biWidth);
        EXPECT_EQ(64, header->biHeight);
        EXPECT_EQ(1, header->biBitCount);
        EXPECT_EQ(c.atHotSpot, cursorPixel(raw, c.hotX, c.hotY)) << c.id;
        int counts[4] = {};
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ++counts[int(cursorPixel(raw, x, y))];
        EXPECT_GT(counts[int(Shade::black)], 0) << c.id;
        EXPECT_GT(counts[int(Shade::white)], 0) << c.id;
        EXPECT_EQ(0, counts[int(Shade::inverted)]) << c.id;
        EXPECT_TRUE(cursorPixel(raw, 0, 0) == Shade::transparent) << c.id;

        HCURSOR loaded = static_cast<HCURSOR>(
            LoadImageA(appInstance, MAKEINTRESOURCEA(c.id), IMAGE_CURSOR, 0, 0, 0));
        ASSERT_NE(nullptr, loaded) << c.id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(loaded, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(DWORD(c.hotX), info.xHotspot) << c.id;
        EXPECT_EQ(DWORD(c.hotY), info.yHotspot) << c.id;
        EXPECT_EQ(nullptr, info.hbmColor) << "monochrome " << c.id;
        SIZE mask = bitmapSize(info.hbmMask);
        EXPECT_EQ(32, mask.cx);
        EXPECT_EQ(64, mask.cy);
        DeleteObject(info.hbmMask);
        DestroyCursor(loaded);
    }
}

TEST(Resources, UpDownCursorHasAGapAtItsHotSpotRow)
{
    RawResource group = rawResource(RT_GROUP_CURSOR, IDC_UPDOWN);
    ASSERT_NE(nullptr, group.data);
    RawResource raw = rawResource(RT_CURSOR, word(group.data + 6 + 12));
    ASSERT_NE(nullptr, raw.data);
    for (int x = 0; x < 32; ++x)
        EXPECT_EQ(Shade::transparent, cursorPixel(raw, x, 15)) << x;
    // Arrowheads above and below, their tips on the hot spot's column.
    int firstAbove = -1, lastBelow = -1;
    for (int y = 0; y < 32; ++y)
        if (cursorPixel(raw, 16, y) != Shade::transparent) {
            if (firstAbove < 0)
                firstAbove = y;
            lastBelow = y;
        }
    EXPECT_GE(firstAbove, 0);
    EXPECT_LT(firstAbove, 15);
    EXPECT_GT(lastBelow, 15);
    // Each arrowhead widens towards the gap.
    auto width = [&](int y) {
        int n = 0;
        for (int x = 0; x < 32; ++x)
            n += cursorPixel(raw, x, y) != Shade::transparent;
        return n;
    };
    EXPECT_LT(width(firstAbove), width(13));
    EXPECT_LT(width(lastBelow), width(17));
}

// ---------------------------------------------------------------- bitmap and languages

TEST(Resources, AboutBitmapIsEightBitsBottomUpWithAFullColourTable)
{
    RawResource raw = rawResource(RT_BITMAP, IDB_ABOUT);
    ASSERT_NE(nullptr, raw.data);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(raw.data);
    EXPECT_EQ(38, header->biWidth);
    EXPECT_EQ(39, header->biHeight);        // positive: rows stored bottom-up
    EXPECT_EQ(8, header->biBitCount);
    EXPECT_EQ(DWORD(BI_RGB), header->biCompression);
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256);
    EXPECT_EQ(40u + 256 * 4 + 40 * 39, raw.size);   // rows padded to 40 bytes

    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(appInstance, MAKEINTRESOURCEA(IDB_ABOUT),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, bitmap);
    DIBSECTION dib = {};
    ASSERT_EQ(int(sizeof dib), GetObjectA(bitmap, sizeof dib, &dib));
    EXPECT_EQ(38, dib.dsBm.bmWidth);
    EXPECT_EQ(39, dib.dsBm.bmHeight);
    EXPECT_EQ(8, dib.dsBm.bmBitsPixel);
    DeleteObject(bitmap);
}

BOOL CALLBACK collectType(HMODULE, LPSTR type, LONG_PTR types)
{
    if (IS_INTRESOURCE(type))
        reinterpret_cast<std::set<int>*>(types)->insert(LOWORD(type));
    return TRUE;
}

TEST(Resources, EverythingIsUsEnglishAndNothingElseIsIncluded)
{
    const struct {
        const char* type;
        int id;
    } all[] = {
        {RT_MENU, IDR_MAINMENU},      {RT_MENU, IDR_CONTEXTMENU},      {RT_DIALOG, IDD_ABOUT},
        {RT_GROUP_ICON, IDI_APP},     {RT_GROUP_ICON, IDI_DOC},        {RT_BITMAP, IDB_ABOUT},
        {RT_GROUP_CURSOR, IDC_HAND_OPEN}, {RT_GROUP_CURSOR, IDC_HAND_GRAB}, {RT_GROUP_CURSOR, IDC_UPDOWN},
        {RT_MANIFEST, 1},             {RT_VERSION, VS_VERSION_INFO},
    };
    for (const auto& r : all)
        EXPECT_NE(nullptr, rawResource(r.type, r.id).data) << LOWORD(r.type) << " " << r.id;

    std::set<int> types;
    EnumResourceTypesA(appInstance, collectType, reinterpret_cast<LONG_PTR>(&types));
    // cursor, bitmap, icon, menu, dialog, groups, version, manifest (which
    // takes the place of the toolchain's default one)
    const std::set<int> expected = {1, 2, 3, 4, 5, 12, 14, 16, 24};
    EXPECT_EQ(expected, types);
}

}  // namespace
