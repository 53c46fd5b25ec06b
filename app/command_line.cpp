// Command line: everything after the program name is one file name.
//
// A quoted program name ends at its closing quote, an unquoted one at the first
// space (0x20; tabs are ordinary characters). Spaces after the program name and
// at the end of the line are dropped, and so are the quotes around the name.
// There are no options.
#include "app/command_line.h"

char* getFileArgument(char* commandLine)
{
    if (!commandLine || !commandLine[0])
        return nullptr;

    const char delimiter = commandLine[0] == '"' ? '"' : ' ';
    char* p = commandLine + 1;
    while (*p && *p != delimiter)
        ++p;
    if (!*p)
        return nullptr;
    ++p;
    while (*p == ' ')
        ++p;
    if (!*p)
        return nullptr;

    // Drop trailing spaces; p points at a non-space, so the walk stops there.
    char* last = p;
    while (last[1])
        ++last;
    while (*last == ' ')
        *last-- = 0;

    // Each leading quote pairs with the last character of the line, the
    // closing quote now that the trailing spaces are gone.
    while (*p == '"') {
        ++p;
        *last-- = 0;
    }
    return p;
}
