// End-to-end tests: start the real tavelin.exe (TAVELIN_EXE) on files written
// here and drive it from outside, the way a user and the shell do: window
// placement, status bar, settings in the registry, menu commands posted to the
// frame, message boxes answered by finding them, the auto-scroll seen on
// screen, and how the process ends. Every wait has a time limit, and a program
// left running is terminated.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "app/window_fit.h"
#include "resources/resource.h"
#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"

namespace {

const char kStatusText[] = "SPACE = scroll, DBLCLICK = Autosize, RIGHTCLICK to copy text";

std::string readDefault(const char* subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    char value[600] = "";
    DWORD size = sizeof(value) - 1, type = 0;
    LONG result = RegQueryValueExA(key, nullptr, nullptr, &type,
                                   reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? value : "<no value>";
}

void postCommand(HWND frame, UINT id)
{
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// The pixels of a window's client area as they are on screen.
std::vector<uint32_t> capture(HWND wnd)
{
    int width = 0, height = 0;
    return captureClient(wnd, &width, &height);
}

std::string textFile(int lines, int columns)
{
    std::string text;
    for (int i = 0; i < lines; ++i) {
        std::string line(columns, '\xDB');
        for (int k = i % 7; k < columns; k += 7)
            line[k] = ' ';
        text += line + "\r\n";
    }
    return text;
}

// The program that a command line starts, found as CreateProcessA finds it:
// up to the closing quote, or the shortest run of words that names a file
// (".exe" added when the name has none).
std::string programInCommand(const std::string& line)
{
    if (!line.empty() && line[0] == '"')
        return line.substr(1, line.find('"', 1) - 1);
    for (size_t end = line.find(' '); ; end = line.find(' ', end + 1)) {
        std::string name = line.substr(0, end);
        if (name.find('.', name.find_last_of('\\') + 1) == std::string::npos)
            name += ".exe";
        DWORD attributes = GetFileAttributesA(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return name;
        if (end == std::string::npos)
            return std::string();
    }
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, getenv("TAVELIN_EXE")) << "TAVELIN_EXE names the program to test";
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        filePath = tempPath("tavelin_e2e.nfo");
        writeFile(filePath, textFile(30, 50));
    }
    void TearDown() override
    {
        DeleteFileA(filePath.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    std::string filePath;
};

TEST_F(ProgramTest, WindowIsFittedToTheTextAndCentred)
{
    // Which system metrics these are is checked in tests/win32/test_window_fit.cpp.
    const FrameMetrics metrics = readFrameMetrics();

    std::string tall = tempPath("tavelin_e2e_tall.nfo");
    writeFile(tall, textFile(400, 20));
    struct Case {
        std::string file;
        int widest, lines;   // -1: no file, 400 x 400
    };
    const Case cases[] = {{filePath, 50, 31}, {tall, 20, 401}, {"", -1, -1}};
    for (const Case& c : cases) {
        ProgramRun program(c.file);
        ASSERT_TRUE(program.started()) << programPath();
        HWND frame = program.waitForFrame();
        ASSERT_NE(nullptr, frame) << c.file;
        WindowSize size = {400, 400};
        if (c.widest >= 0)
            size = fitWindowSize(c.widest, c.lines, metrics);
        WindowPlacement place = placeOnScreen(size.width, size.height, metrics);
        RECT rect;
        GetWindowRect(frame, &rect);
        EXPECT_EQ(place.x, rect.left) << c.file;
        EXPECT_EQ(place.y, rect.top) << c.file;
        EXPECT_EQ(place.width, rect.right - rect.left) << c.file;
        EXPECT_EQ(place.height, rect.bottom - rect.top) << c.file;
        // The system adds WS_CLIPSIBLINGS to every top-level window.
        EXPECT_EQ(DWORD(0x90CE0000),
                  DWORD(GetWindowLongA(frame, GWL_STYLE)) & ~DWORD(WS_CLIPSIBLINGS) & 0xFFFF0000u);
    }
    DeleteFileA(tall.c_str());
}

TEST_F(ProgramTest, StatusBarShowsTheHint)
{
    ProgramRun program(filePath);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    HWND status = FindWindowExA(frame, nullptr, "msctls_statusbar32", nullptr);
    ASSERT_NE(nullptr, status);
    char text[128] = "";
    SendMessageA(status, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(kStatusText, text);
    EXPECT_EQ(lstrlenA(kStatusText), LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, 0, 0)));
    RECT statusRect, client;
    GetWindowRect(status, &statusRect);
    GetClientRect(frame, &client);
    POINT bottom = {0, client.bottom};
    ClientToScreen(frame, &bottom);
    EXPECT_EQ(bottom.y, statusRect.bottom);
}

TEST_F(ProgramTest, FirstRunWritesTheDefaults)
{
    ProgramRun program(filePath);
    ASSERT_NE(nullptr, program.waitForFrame());
    struct Value {
        const char* name;
        DWORD expected;
    };
    for (const Value& v : {Value{"bgColor", 0x404040}, Value{"fgColor", 0xFFFFFF},
                           Value{"bFade", 1}, Value{"bCopyOnSelect", 1}}) {
        DWORD stored = 0;
        ASSERT_TRUE(readDword(v.name, &stored)) << v.name;
        EXPECT_EQ(v.expected, stored) << v.name;
    }
}

// The check marks themselves live in the program's menu, which another process
// cannot read everywhere (the frame's own tests check them); here the stored
// fade flag shows on screen: the first file line lies in the faded top edge.
TEST_F(ProgramTest, StoredFadeFlagShowsOnScreen)
{
    struct Case {
        DWORD fade;
        bool faded;
    };
    for (const Case& c : {Case{0, false}, Case{1, true}, Case{0x100, false}, Case{2, true}}) {
        writeDword("bFade", c.fade);
        ProgramRun program(filePath);
        HWND frame = program.waitForFrame();
        ASSERT_NE(nullptr, frame);
        HWND view = FindWindowExA(frame, nullptr, "Tavelin", "WinName");
        ASSERT_NE(nullptr, view);
        RECT client;
        GetClientRect(view, &client);
        uint32_t ink = 0;
        // Column 1 of file line 1 is a solid block: x 18..25, y 16..31.
        // The view is on screen once its column 0, which text never covers,
        // shows the background below the faded band; until then the capture
        // may read the desktop behind the window.
        waitFor([&]() {
            std::vector<uint32_t> pixels = capture(view);
            if (pixels.size() <= size_t(40 * client.right + 20))
                return false;
            const uint32_t margin = pixels[40 * client.right] & 0xFFFFFF;
            ink = pixels[20 * client.right + 20] & 0xFFFFFF;
            return margin == 0x404040 && ink != 0x404040;
        }, 3000);
        if (c.faded) {
            EXPECT_NE(0xFFFFFFu, ink) << c.fade;
            EXPECT_NE(0x404040u, ink) << c.fade;
        } else {
            EXPECT_EQ(0xFFFFFFu, ink) << c.fade;
        }
    }
}

TEST_F(ProgramTest, TogglesStoreTheirNewValues)
{
    ProgramRun program(filePath);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    DWORD value = 1;
    postCommand(frame, IDM_FADE);
    EXPECT_TRUE(waitFor([&]() { return readDword("bFade", &value) && value == 0; }));
    postCommand(frame, IDM_COPY_ON_SELECT);
    EXPECT_TRUE(waitFor([&]() { return readDword("bCopyOnSelect", &value) && value == 0; }));
    EXPECT_TRUE(readDword("bFade", &value) && value == 0);
    postCommand(frame, IDM_FADE);
    EXPECT_TRUE(waitFor([&]() { return readDword("bFade", &value) && value == 1; }));
    EXPECT_TRUE(readDword("bCopyOnSelect", &value) && value == 0);
    // A command with a notification code is not a menu command.
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(IDM_FADE, 1), 0);
    Sleep(300);
    EXPECT_TRUE(readDword("bFade", &value) && value == 1);
}

TEST_F(ProgramTest, AssociationAsksBeforeOverwriting)
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".nfo");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "NfoFile");
    ProgramRun program(filePath);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    std::string exe = programPath();

    // No association yet: written without a question.
    postCommand(frame, IDM_ASSOCIATE);
    HWND box = program.waitForWindow("#32770", "Success");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("NfoFile", readDefault(".nfo"));
    EXPECT_EQ("Nfo File", readDefault("NfoFile"));
    EXPECT_EQ(0, lstrcmpiA(("\"" + exe + "\" \"%1\"").c_str(),
                           readDefault("NfoFile\\shell\\open\\command").c_str()))
        << readDefault("NfoFile\\shell\\open\\command");
    EXPECT_EQ(0, lstrcmpiA((exe + ",1").c_str(), readDefault("NfoFile\\DefaultIcon").c_str()))
        << readDefault("NfoFile\\DefaultIcon");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(waitFor([&]() { return !IsWindow(box); }));

    // Now it exists: No leaves another program's association alone.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, ".nfo", &key));
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("OtherFile"), 10);
    RegCloseKey(key);
    postCommand(frame, IDM_ASSOCIATE);
    box = program.waitForWindow("#32770", "Warning");
    ASSERT_NE(nullptr, box);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(waitFor([&]() { return !IsWindow(box); }));
    Sleep(300);
    EXPECT_EQ(nullptr, program.findWindow("#32770", "Success"));
    EXPECT_EQ("OtherFile", readDefault(".nfo"));

    // Yes takes it over again.
    postCommand(frame, IDM_ASSOCIATE);
    box = program.waitForWindow("#32770", "Warning");
    ASSERT_NE(nullptr, box);
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    box = program.waitForWindow("#32770", "Success");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("NfoFile", readDefault(".nfo"));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitFor([&]() { return !IsWindow(box); }));

    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".nfo");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "NfoFile");
}

// A program in a folder whose name has a blank registers a command that the
// shell can run on a file whose path has blanks too: the registered command
// quotes the program's path, so that its name does not end at the first blank.
TEST_F(ProgramTest, AssociationFromAFolderWithABlankOpensAFileWithBlanks)
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".nfo");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "NfoFile");
    const std::string dir = tempPath("tavelin e2e folder");
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string exe = dir + "\\tavelin.exe";
    ASSERT_TRUE(CopyFileA(programPath().c_str(), exe.c_str(), FALSE));
    const std::string file = dir + "\\a file with blanks.nfo";
    writeFile(file, textFile(30, 50));
    {
        ProgramStart installed;
        installed.exe = exe;
        installed.commandLine = "\"" + exe + "\"";
        ProgramRun program(installed);
        HWND frame = program.waitForFrame();
        ASSERT_NE(nullptr, frame);
        postCommand(frame, IDM_ASSOCIATE);
        HWND box = program.waitForWindow("#32770", "Success");
        ASSERT_NE(nullptr, box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitFor([&]() { return !IsWindow(box); }));
    }

    // What the shell does for the file: the registered command, expanded,
    // with %1 replaced by the file's path, is the program's command line as
    // it stands. (Given no program name, Wine's CreateProcess would quote
    // the name it finds in an unquoted line; Windows passes the line on.)
    char expanded[1200] = "";
    ExpandEnvironmentStringsA(readDefault("NfoFile\\shell\\open\\command").c_str(), expanded,
                              sizeof(expanded));
    std::string line = expanded;
    const size_t placeholder = line.find("%1");
    ASSERT_NE(std::string::npos, placeholder) << line;
    line.replace(placeholder, 2, file);
    ProgramStart byShell;
    byShell.exe = programInCommand(line);
    byShell.commandLine = line;
    ASSERT_EQ(0, lstrcmpiA(exe.c_str(), byShell.exe.c_str())) << line;
    {
        ProgramRun opened(byShell);
        ASSERT_TRUE(opened.started()) << line;
        HWND frame = opened.waitForFrame();
        EXPECT_EQ(nullptr, opened.findWindow("#32770", "Error")) << line;
        ASSERT_NE(nullptr, frame) << line;
        // The file's text is on screen: an empty document never shows the
        // text colour (white by default).
        HWND view = FindWindowExA(frame, nullptr, "Tavelin", "WinName");
        ASSERT_NE(nullptr, view);
        EXPECT_TRUE(waitFor([&]() {
            std::vector<uint32_t> pixels = capture(view);
            return std::find(pixels.begin(), pixels.end(), 0xFFFFFFu) != pixels.end();
        }, 5000));
    }

    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".nfo");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "NfoFile");
    DeleteFileA(file.c_str());
    for (int i = 0; i < 50 && !DeleteFileA(exe.c_str()); ++i)
        Sleep(100);
    RemoveDirectoryA(dir.c_str());
}

TEST_F(ProgramTest, AboutBoxOpensAndCloses)
{
    ProgramRun program(filePath);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    postCommand(frame, IDM_ABOUT);
    HWND about = program.waitForWindow("#32770", "About...");
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(frame, GetWindow(about, GW_OWNER));
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitFor([&]() { return !IsWindow(about); }));
    // The frame works on afterwards.
    postCommand(frame, IDM_FADE);
    DWORD value = 1;
    EXPECT_TRUE(waitFor([&]() { return readDword("bFade", &value) && value == 0; }));
}

TEST_F(ProgramTest, SpaceScrollsAndExitEndsTheProgramWithZero)
{
    writeFile(filePath, textFile(300, 50));
    ProgramRun program(filePath);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    HWND view = FindWindowExA(frame, nullptr, "Tavelin", "WinName");
    ASSERT_NE(nullptr, view);
    Sleep(500);
    std::vector<uint32_t> still = capture(view);
    Sleep(400);
    ASSERT_EQ(still, capture(view)) << "the picture changes without input";

    PostMessageA(frame, WM_KEYDOWN, VK_SPACE, 1);
    std::vector<uint32_t> moving;
    EXPECT_TRUE(waitFor([&]() { return (moving = capture(view)) != still; }, 3000));
    std::vector<uint32_t> later;
    EXPECT_TRUE(waitFor([&]() { return (later = capture(view)) != moving; }, 3000))
        << "the scroll stopped";

    postCommand(frame, IDM_EXIT);
    EXPECT_EQ(0u, program.waitForExit());
}

TEST_F(ProgramTest, ClosingTheWindowEndsTheProgramWithNonzero)
{
    ProgramRun program(filePath);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    DWORD code = program.waitForExit();
    EXPECT_NE(DWORD(STILL_ACTIVE), code);
    EXPECT_NE(0u, code);
}

TEST_F(ProgramTest, MissingFileIsReportedBeforeTheWindowOpens)
{
    std::string missing = tempPath("tavelin_e2e_missing.nfo");
    DeleteFileA(missing.c_str());
    ProgramRun program(missing);
    HWND box = program.waitForWindow("#32770", "Error");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(nullptr, program.findWindow("NFO_Window", nullptr));
    char text[64] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    EXPECT_STREQ("File not found", text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    // Then the window opens at the size of a text without lines.
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    // The system keeps a sizable captioned window at its minimum tracking size.
    RECT rect;
    GetWindowRect(frame, &rect);
    const FrameMetrics metrics = readFrameMetrics();
    int width = 2 * metrics.frameWidth + 20;
    width = width < 100 ? 100 : width;
    int height = 2 * metrics.frameHeight + metrics.captionHeight + metrics.menuHeight;
    EXPECT_EQ(std::max(width, GetSystemMetrics(SM_CXMINTRACK)), rect.right - rect.left);
    EXPECT_EQ(std::max(height, GetSystemMetrics(SM_CYMINTRACK)), rect.bottom - rect.top);
}

}  // namespace
