// The viewer tells of a file it cannot load in a message box without an
// owner (document_storage.h). The Explorer DLL has its own, silent one.
#include "document/document_storage.h"

#include <windows.h>

void reportLoadFailure(const char* message)
{
    MessageBoxA(NULL, message, "Error", MB_OK);
}
