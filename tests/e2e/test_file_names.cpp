// File names in four scripts (Greek, Cyrillic, Japanese and an emoji of four
// UTF-8 bytes) reach the real program from its command line and through
// File/Open; a name whose UTF-8 form does not fit the program's file name
// buffer is refused with "File not found" and never opened cut short. This
// test program has no manifest of its own, so it hands the names over in
// UTF-16 only: a wide command line, a wide WM_SETTEXT to the dialog.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_fit.h"
#include "resources/resource.h"
#include "tests/support/win32_program_run.h"

namespace {

struct NamedFile {
    std::wstring path;
    int lines, columns;     // what it holds, so that its fitted window tells it apart
};

void writeBlocks(const NamedFile& file)
{
    std::string text;
    for (int i = 0; i < file.lines; ++i)
        text += std::string(file.columns, '\xDB') + "\r\n";
    HANDLE handle = CreateFileW(file.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    DWORD written = 0;
    WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(handle);
}

// Starts the program as the shell does, with a wide command line.
DWORD startWith(const std::wstring& file)
{
    const std::string exe = programPath();
    std::wstring line = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\"";
    if (!file.empty())
        line += L" \"" + file + L"\"";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
}

// Waits for the frame fitted to file, or for an error box: the box's text
// when one came, "" when the frame took file's size, "timeout" otherwise.
std::string outcome(const ProgramRun& program, const NamedFile& file)
{
    const FrameMetrics metrics = readFrameMetrics();
    const WindowSize fit = fitWindowSize(file.columns, file.lines + 1, metrics);
    const WindowPlacement want = placeOnScreen(fit.width, fit.height, metrics);
    std::string result = "timeout";
    waitFor([&]() {
        if (HWND box = program.findWindow("#32770", "Error")) {
            char text[64] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            result = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return true;
        }
        RECT rect = {};
        GetWindowRect(program.findWindow("NFO_Window", "Tavelin"), &rect);
        if (rect.right - rect.left != want.width || rect.bottom - rect.top != want.height)
            return false;
        result.clear();
        return true;
    }, 8000);
    return result;
}

TEST(FileNames, FourScriptsOpenFromTheCommandLineAndFileOpenAndLongNamesAreRefused)
{
    ASSERT_NE(nullptr, getenv("TAVELIN_EXE")) << "TAVELIN_EXE names the program to test";
    wchar_t tempFolder[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, tempFolder);
    const std::wstring temp = tempFolder;
    const std::vector<NamedFile> files = {
        {temp + L"\u03A9mega\u2014release.nfo", 3, 30},                  // Greek, an em dash
        {temp + L"\u041F\u0440\u0438\u0432\u0435\u0442.nfo", 4, 34},     // Cyrillic
        {temp + L"\u65E5\u672C\u8A9E.nfo", 5, 38},                       // Japanese
        {temp + L"\U0001F3A8 art.nfo", 6, 42},                           // four UTF-8 bytes
    };
    for (const NamedFile& file : files)
        writeBlocks(file);

    for (size_t i = 0; i < files.size(); ++i) {
        ProgramRun program(startWith(files[i].path));
        EXPECT_EQ("", outcome(program, files[i])) << "command line, name " << i;
    }

    // A path of 114 UTF-16 units but 294 UTF-8 bytes, beside every name it
    // would become if cut to fit 260 bytes (a cut lands in the file's name).
    const std::wstring folder = temp + std::wstring(60, L'\u8A9E');
    CreateDirectoryW(folder.c_str(), nullptr);
    const NamedFile tooLong = {folder + L"\\" + std::wstring(30, L'\u8A9E') + L".nfo", 7, 46};
    std::vector<NamedFile> cuts;
    for (int length = 10; length <= 30; ++length)
        cuts.push_back({folder + L"\\" + std::wstring(length, L'\u8A9E'), 2, 50});
    for (const NamedFile& file : cuts)
        writeBlocks(file);
    writeBlocks(tooLong);

    ProgramRun program(startWith(L""));
    ASSERT_NE(nullptr, program.waitForFrame());
    std::vector<NamedFile> chosen = files;
    chosen.push_back(tooLong);
    for (size_t i = 0; i < chosen.size(); ++i) {
        PostMessageA(program.findWindow("NFO_Window", "Tavelin"), WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0);
        HWND dialog = program.waitForWindow("#32770", "Open");
        ASSERT_NE(nullptr, dialog) << i;
        HWND edit = GetDlgItem(dialog, edt1) ? GetDlgItem(dialog, edt1) : GetDlgItem(dialog, cmb13);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen[i].path.c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        const bool refused = i == files.size();
        EXPECT_EQ(refused ? "File not found" : "", outcome(program, chosen[i])) << "File/Open, name " << i;
    }

    cuts.insert(cuts.end(), chosen.begin(), chosen.end());
    for (const NamedFile& file : cuts)
        DeleteFileW(file.path.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
