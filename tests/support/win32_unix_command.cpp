// A Unix command from a Wine-run test (see the header).
#include "tests/support/win32_unix_command.h"

#include <windows.h>

bool runUnixCommand(std::vector<std::string> args, bool wait)
{
    typedef LONG(CDECL * Spawn)(char* const argv[], int wait);
    Spawn spawn = reinterpret_cast<Spawn>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp"));
    if (!spawn || args.empty())
        return false;
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return spawn(argv.data(), wait ? 1 : 0) == 0;
}
