// A second copy of the running test executable that holds something the
// program under test wants: a file opened without sharing, a file open for
// writing, or the clipboard. The copy is started with a role on its command
// line, takes hold, reports that it holds, and lets go when released (or
// after 30 s, so that no copy outlives a failed test for long).
//
// The role is carried out before main runs, by a static object of
// win32_helper_process.cpp, so every test executable that links the file can
// serve as its own helper.
#pragma once

#include <windows.h>

#include <string>

namespace helperprocess {

enum class Role {
    HoldFileExclusively,   // GENERIC_READ, no sharing at all
    HoldFileForWriting,    // GENERIC_WRITE, others may read and write
    HoldClipboard,         // OpenClipboard with a window of its own
};

class HelperProcess {
public:
    // Starts the copy and waits up to 10 s until it holds what it was asked
    // to hold; `argument` is the file's path for the file roles.
    HelperProcess(Role role, const std::string& argument = std::string());
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // True once the copy runs and holds; false if it could not start or
    // could not take hold.
    bool holds() const { return holds_; }
    DWORD processId() const { return processId_; }

    // Lets go and waits for the copy to end. Returns its exit code: 0 when it
    // held until released, anything else when it failed.
    DWORD release();

private:
    HANDLE process_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    DWORD processId_ = 0;
    bool holds_ = false;
};

}  // namespace helperprocess
