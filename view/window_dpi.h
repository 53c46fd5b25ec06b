// The DPI a window is shown at, and the system metrics at a DPI. Both calls
// that answer exactly (GetDpiForWindow, GetSystemMetricsForDpi) came with
// Windows 10 and are looked up at run time; older systems get the answers of
// the system's own DPI, which is all they have.
#pragma once

#include <stdint.h>

struct HWND__;

// The DPI of window's monitor; the system's DPI for a null window or where
// the system cannot tell a window's own.
int32_t windowDpi(HWND__* window);

// GetSystemMetrics(index) as it is at dpi.
int32_t systemMetricForDpi(int32_t index, int32_t dpi);
