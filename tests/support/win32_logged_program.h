// The real program started with Wine's exception trace and heap checks on and
// its log in a file. Wine writes a process's log to the Unix stderr it was
// started with, which a Windows parent cannot hand over, so the program is
// started from a Unix shell through Wine's own spawn helper, from a copy with
// a name of its own by which its process is found. Every heap call of that
// copy can check the whole heap, so a write into a freed block is found even
// when nothing reads it back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class LoggedProgram {
public:
    // Starts the program on file (passed as one argument) with the WINEDEBUG
    // channels given. Without validateAll the heap still checks the tails and
    // the fill of freed blocks, but not the whole heap on every call, which
    // makes the system dialogs take seconds.
    LoggedProgram(const std::string& file, const char* channels, bool validateAll = true);
    ~LoggedProgram();
    LoggedProgram(const LoggedProgram&) = delete;
    LoggedProgram& operator=(const LoggedProgram&) = delete;

    // The process, or 0 when it did not start.
    DWORD processId() const { return processId_; }

    // The lines that tell of an exception, handled or swallowed, or of a
    // damaged heap.
    std::vector<std::string> trouble() const;
    // Whether the log holds Wine's record of the program's DLLs: a log that
    // never reached the file would prove nothing.
    bool written() const;

private:
    DWORD findProcess() const;
    std::vector<std::string> lines(const std::vector<const char*>& words) const;

    std::string exeName_;
    std::string exe_;
    std::string options_;
    std::string unixLog_;
    std::string log_;
    DWORD processId_ = 0;
};
