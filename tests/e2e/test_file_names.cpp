// Names in four scripts (Greek, Cyrillic, Japanese, an emoji of four UTF-8
// bytes) reach the real program from its command line and through File/Open;
// a name whose UTF-8 form outgrows the file name buffer is refused, not cut.
// This test program has no UTF-8 manifest, so it speaks UTF-16 to the program.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <memory>

#include "app/window_fit.h"
#include "view/display_scale.h"
#include "resources/resource.h"
#include "tests/support/win32_program_run.h"

namespace {

struct NamedFile {
    std::wstring path;
    int lines, columns;     // the fitted window tells which file was opened
};

void writeBlocks(const NamedFile& file)
{
    std::string text;
    for (int i = 0; i < file.lines; ++i)
        text += std::string(file.columns, '\xDB') + "\r\n";
    HANDLE handle = CreateFileW(file.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr));
    CloseHandle(handle);
}

// Starts the program as the shell does, with a wide command line.
DWORD startWith(const std::wstring& file)
{
    const std::string exe = programPath();
    std::wstring line = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" \"" + file + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
}

// The error box's text, answered; "" once the frame is fitted to file at the
// screen's DPI.
std::string outcome(const ProgramRun& program, const NamedFile& file)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const FrameMetrics metrics = readFrameMetrics(dpi);
    const WindowSize fit = fitWindowSize(file.columns, file.lines + 1, metrics, scaleForDpi(dpi));
    const WindowPlacement want = placeOnScreen(fit.width, fit.height, metrics);
    std::string result = "timeout";
    waitFor([&]() {
        char text[64] = "";
        if (HWND box = program.findWindow("#32770", "Error")) {
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        } else {
            RECT rect = {};
            GetWindowRect(program.findWindow("NFO_Window", "Tavelin"), &rect);
            if (rect.right - rect.left != want.width || rect.bottom - rect.top != want.height)
                return false;
        }
        result = text;
        return true;
    }, 8000);
    return result;
}

TEST(FileNames, FourScriptsOpenFromTheCommandLineAndFileOpenAndLongNamesAreRefused)
{
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    // The fifth: some 130 UTF-16 units but 300 UTF-8 bytes, in a folder beside
    // every name it would be if cut to 260 bytes.
    const std::wstring folder = temp + std::wstring(60, L'\u8A9E') + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<NamedFile> files = {
        {temp + std::wstring(L"\u03A9mega\u2014release.nfo"), 3, 30},
        {temp + std::wstring(L"\u041F\u0440\u0438\u0432\u0435\u0442.nfo"), 4, 34},
        {temp + std::wstring(L"\u65E5\u672C\u8A9E.nfo"), 5, 38},
        {temp + std::wstring(L"\U0001F3A8 art.nfo"), 6, 42},
        {folder + std::wstring(30, L'\u8A9E') + L".nfo", 7, 46},
    };
    for (int length = 10; length <= 30; ++length)
        files.push_back({folder + std::wstring(length, L'\u8A9E'), 2, 50});
    for (const NamedFile& file : files)
        writeBlocks(file);

    for (size_t i = 0; i < 4; ++i) {
        ProgramRun program(startWith(files[i].path));
        EXPECT_EQ("", outcome(program, files[i])) << "command line, name " << i;
    }
    // Ended before the files go: its folder is the last one it opened.
    std::unique_ptr<ProgramRun> program(new ProgramRun(""));
    for (size_t i = 0; i < 5; ++i) {
        PostMessageA(program->waitForFrame(), WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0);
        HWND dialog = program->waitForWindow("#32770", "Open");
        ASSERT_NE(nullptr, dialog) << i;
        HWND edit = GetDlgItem(dialog, edt1) ? GetDlgItem(dialog, edt1) : GetDlgItem(dialog, cmb13);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(files[i].path.c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(i < 4 ? "" : "File not found", outcome(*program, files[i])) << "File/Open, name " << i;
    }
    program.reset();
    for (const NamedFile& file : files)
        DeleteFileW(file.path.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
