// The About box's dialog procedure (the template is IDD_ABOUT in the resource
// script). The box only closes: on OK, Enter, or Escape released over it.
#pragma once

#include <basetsd.h>

struct HWND__;

// Has the shape of a DLGPROC, for DialogBoxParamA with parameter 0.
INT_PTR __stdcall aboutDialogProc(HWND__* dialog, unsigned int message, UINT_PTR wParam,
                                  LONG_PTR lParam);
