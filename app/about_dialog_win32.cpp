// The About box's dialog procedure: it closes the box and does nothing else.
#include <windows.h>

#include "app/about_dialog.h"

INT_PTR __stdcall aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;    // the system puts the focus on the OK button
    case WM_COMMAND:
        // OK clicked or Enter pressed (OK is the default button), whatever
        // the notification code.
        if (LOWORD(wParam) == IDOK)
            EndDialog(dialog, 0);
        return FALSE;
    case WM_KEYUP:
        if (wParam == VK_ESCAPE)
            EndDialog(dialog, 0);
        return FALSE;
    default:
        return FALSE;
    }
}
