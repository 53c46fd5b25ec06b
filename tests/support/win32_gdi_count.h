// The GDI objects a process holds, read from Wine's GDI handle table, for
// Wine has no GetGuiResources: stock objects and the kinds that Wine's own
// dialogs leave behind are not counted. 0 when the table cannot be read.
#pragma once

#include <windows.h>

unsigned gdiTableCount(HANDLE process);
