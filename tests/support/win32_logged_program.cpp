// The program run with Wine's log in a file (see win32_logged_program.h).
#include "tests/support/win32_logged_program.h"

#include <tlhelp32.h>

#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"
#include "tests/support/win32_unix_command.h"

namespace {

const char kImageOptions[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
const DWORD FLG_HEAP_ENABLE_TAIL_CHECK = 0x10;
const DWORD FLG_HEAP_ENABLE_FREE_CHECK = 0x20;
const DWORD FLG_HEAP_VALIDATE_PARAMETERS = 0x40;
const DWORD FLG_HEAP_VALIDATE_ALL = 0x80;

}  // namespace

LoggedProgram::LoggedProgram(const std::string& file, const char* channels, bool validateAll)
{
    // Each Wine prefix counts its process ids afresh, and /tmp is shared by
    // them all: the time makes the names apart.
    char id[32];
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    wsprintfA(id, "%lu_%lu", GetCurrentProcessId(), (unsigned long)now.LowPart);
    exeName_ = std::string("tavelin_logged_") + id + ".exe";
    exe_ = tempPath(exeName_.c_str());
    unixLog_ = std::string("/tmp/tavelin_e2e_wine_") + id + ".log";
    log_ = windowsPath(unixLog_.c_str());
    DeleteFileA(log_.c_str());
    if (!CopyFileA(programPath().c_str(), exe_.c_str(), FALSE))
        return;
    options_ = std::string(kImageOptions) + "\\" + exeName_;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, options_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const DWORD heapChecks = FLG_HEAP_ENABLE_TAIL_CHECK | FLG_HEAP_ENABLE_FREE_CHECK |
                                 FLG_HEAP_VALIDATE_PARAMETERS | (validateAll ? FLG_HEAP_VALIDATE_ALL : 0);
        RegSetValueExA(key, "GlobalFlag", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&heapChecks), sizeof(heapChecks));
        RegCloseKey(key);
    }
    std::string script = "WINEDEBUG=\"$1\" exec \"${WINELOADER:-wine}\" \"$2\" \"$3\" 2>\"$4\"";
    if (!runUnixCommand({"/bin/sh", "-c", script, "sh", channels, exe_, file, unixLog_}, false))
        return;
    const DWORD start = GetTickCount();
    while (!(processId_ = findProcess()) && GetTickCount() - start < 10000)
        Sleep(50);
}

LoggedProgram::~LoggedProgram()
{
    if (!options_.empty())
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, options_.c_str());
    for (int i = 0; i < 50 && !DeleteFileA(exe_.c_str()); ++i)
        Sleep(100);
    DeleteFileA(log_.c_str());
}

std::vector<std::string> LoggedProgram::trouble() const
{
    return lines({"err:seh", "dispatch_exception", "err:heap", "warn:heap"});
}

bool LoggedProgram::written() const
{
    return !lines({"loaddll"}).empty();
}

DWORD LoggedProgram::findProcess() const
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, exeName_.c_str()) == 0)
            found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

// The lines that hold any of the given words.
std::vector<std::string> LoggedProgram::lines(const std::vector<const char*>& words) const
{
    std::vector<std::string> found;
    HANDLE file = CreateFileA(log_.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return found;
    std::string text;
    char block[4096];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof(block), &got, nullptr) && got)
        text.append(block, got);
    CloseHandle(file);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        for (const char* word : words)
            if (line.find(word) != std::string::npos) {
                found.push_back(line);
                break;
            }
        start = end + 1;
    }
    return found;
}
