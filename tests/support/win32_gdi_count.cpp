// The GDI objects of a process as Wine counts them (see the header).
#include "tests/support/win32_gdi_count.h"

#include <stdint.h>

#include <vector>

// Wine keeps each process's GDI objects in a handle table that the process's
// PEB points to (GdiSharedHandleTable, 0x94 in a 32-bit PEB, 0xF8 in a 64-bit one): 65536 entries
// of 24 bytes, an entry in use when its type byte is not 0. Stock objects,
// which every process has from the start, are flagged and not counted.
unsigned gdiTableCount(HANDLE process)
{
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void*, ULONG, ULONG*);
    static QueryProcess query = reinterpret_cast<QueryProcess>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess"));
    struct {
        LONG exitStatus;
        char* peb;
        ULONG_PTR rest[4];
    } basic = {};
    const size_t tableAt = sizeof(void*) == 4 ? 0x94 : 0xF8;
    ULONG_PTR table = 0;
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0 ||
        !ReadProcessMemory(process, basic.peb + tableAt, &table, sizeof table, nullptr) || !table)
        return 0;
#pragma pack(push, 1)
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;   // bit 7: stock object
        uint8_t type, flags;
        uint64_t user;
    };
#pragma pack(pop)
    static_assert(sizeof(Entry) == 24, "GDI handle table entry");
    std::vector<Entry> entries(0x10000);
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(),
                           entries.size() * sizeof(Entry), &got))
        return 0;
    unsigned types[256] = {};
    for (size_t i = 0; i < got / sizeof(Entry); ++i)
        if (entries[i].type != 0 && !(entries[i].unique & 0x80))
            ++types[entries[i].type];
    // Wine's colour dialog leaves a memory DC behind each time it opens, and
    // with it one object each of kinds 4 and 5: DCs and kind 4 are not
    // counted, nor one of kind 5 for each DC. Everything else is.
    const int dc = 0x01, region = 0x04, bitmap = 0x05;   // as they go with a DC
    unsigned count = types[bitmap] > types[dc] ? types[bitmap] - types[dc] : 0;
    for (int type = 0; type < 256; ++type)
        count += type != dc && type != region && type != bitmap ? types[type] : 0;
    return count;
}
