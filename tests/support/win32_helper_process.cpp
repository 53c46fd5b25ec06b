// A copy of the test executable that holds a file or the clipboard (see
// win32_helper_process.h). The parent and the copy meet through two named
// events that carry the copy's process id: "ready" set by the copy once it
// holds, "release" set by the parent.
#include "tests/support/win32_helper_process.h"

#include <cstdio>
#include <cstring>

namespace helperprocess {

namespace {

const char kRoleSwitch[] = "--tavelin-helper-role=";

std::string eventName(const char* what, DWORD processId)
{
    char name[64];
    std::snprintf(name, sizeof name, "TavelinHelper-%s-%lu", what, (unsigned long)processId);
    return name;
}

// What the copy does: takes hold, says so, waits for the release.
int serve(int role, const char* argument)
{
    const DWORD self = GetCurrentProcessId();
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName("ready", self).c_str());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, eventName("release", self).c_str());
    HANDLE file = INVALID_HANDLE_VALUE;
    HWND window = nullptr;
    bool held = false;
    switch ((Role)role) {
    case Role::HoldFileExclusively:
        file = CreateFileA(argument, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        held = file != INVALID_HANDLE_VALUE;
        break;
    case Role::HoldFileForWriting:
        file = CreateFileA(argument, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        held = file != INVALID_HANDLE_VALUE;
        break;
    case Role::HoldClipboard:
        window = CreateWindowA("STATIC", "clipboard holder", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        for (int attempt = 0; window && attempt < 200 && !held; ++attempt) {
            held = OpenClipboard(window) != FALSE;
            if (!held)
                Sleep(10);
        }
        break;
    }
    if (!held)
        return 2;
    SetEvent(ready);
    WaitForSingleObject(release, 30000);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (window) {
        CloseClipboard();
        DestroyWindow(window);
    }
    return 0;
}

// Runs before main: a copy started with the role switch serves and ends
// there, before the test framework sees its command line.
struct RoleDispatcher {
    RoleDispatcher()
    {
        const char* line = GetCommandLineA();
        const char* found = std::strstr(line, kRoleSwitch);
        if (!found)
            return;
        const char* rest = found + sizeof kRoleSwitch - 1;
        const int role = rest[0] - '0';
        std::string argument = rest[1] == ' ' ? rest + 2 : "";
        if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
            argument = argument.substr(1, argument.size() - 2);
        ExitProcess((UINT)serve(role, argument.c_str()));
    }
};

RoleDispatcher dispatcher;

}  // namespace

HelperProcess::HelperProcess(Role role, const std::string& argument)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string commandLine = std::string("\"") + program + "\" " + kRoleSwitch +
                              char('0' + (int)role) + " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    // Either side may create the events first; both get the same ones.
    ready_ = CreateEventA(nullptr, TRUE, FALSE, eventName("ready", processId_).c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, eventName("release", processId_).c_str());
    HANDLE waits[2] = { ready_, process_ };
    holds_ = WaitForMultipleObjects(2, waits, FALSE, 10000) == WAIT_OBJECT_0;
}

DWORD HelperProcess::release()
{
    DWORD code = 1;
    if (!process_)
        return code;
    SetEvent(release_);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_, 3);
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    CloseHandle(ready_);
    CloseHandle(release_);
    process_ = ready_ = release_ = nullptr;
    return code;
}

HelperProcess::~HelperProcess()
{
    release();
}

}  // namespace helperprocess
