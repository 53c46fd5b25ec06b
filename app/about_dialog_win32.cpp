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
    case WM_DESTROY:
        // The picture's static control loaded its bitmap from the template
        // and does not give it back when it goes: each box would leave one
        // bitmap behind. Taken out of the control, it is freed here.
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
                DeleteObject((HGDIOBJ)SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0));
        return FALSE;
    default:
        return FALSE;
    }
}
