// The one file name on the program's command line.
#pragma once

// Returns a pointer into commandLine at the file name, or null when nothing
// but the program name (and spaces) is there. The line is shortened in place:
// trailing spaces and the quotes around the file name are overwritten.
char* getFileArgument(char* commandLine);
