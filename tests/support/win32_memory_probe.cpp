// Committed private memory of a process (see win32_memory_probe.h).
#include "tests/support/win32_memory_probe.h"

#include <windows.h>

namespace memoryprobe {

uint64_t committedPrivateBytes()
{
    return committedPrivateBytes(GetCurrentProcess());
}

uint64_t committedPrivateBytes(void* process)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uint64_t total = 0;
    const char* address = (const char*)system.lpMinimumApplicationAddress;
    const char* end = (const char*)system.lpMaximumApplicationAddress;
    MEMORY_BASIC_INFORMATION info;
    while (address < end && VirtualQueryEx(process, address, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const char* next = (const char*)info.BaseAddress + info.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}

uint64_t pagesFor(uint64_t bytes)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uint64_t page = system.dwPageSize;
    return (bytes + page - 1) / page * page;
}

}  // namespace memoryprobe
