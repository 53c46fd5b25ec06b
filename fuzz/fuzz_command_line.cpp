// Fuzz target: the file name taken from an arbitrary command line. The result
// is null or points inside the line at a string that ends inside it, nothing
// past the line's end is written, and the name never starts with a quote.
// (Blanks at either end of a quoted name are part of the name.)
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> line(data, data + size);
    line.push_back(0);
    const size_t length = strlen(line.data());
    line.push_back('#');   // guard byte past the terminator

    char* file = getFileArgument(line.data());
    if (line.back() != '#')
        __builtin_trap();
    if (!file)
        return 0;
    if (file < line.data() || file > line.data() + length)
        __builtin_trap();
    size_t nameLength = strlen(file);
    if (file + nameLength > line.data() + length)
        __builtin_trap();
    if (file[0] == '"')
        __builtin_trap();
    return 0;
}
