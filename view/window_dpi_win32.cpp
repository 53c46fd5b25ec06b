// Window DPI and metrics at a DPI (window_dpi.h), with the newer user32 calls
// found by name so that the program still starts where they do not exist.
#include "view/window_dpi.h"

#include <windows.h>

typedef UINT(WINAPI* DpiForWindowCall)(HWND window);
typedef int(WINAPI* MetricForDpiCall)(int index, UINT dpi);

static FARPROC userCall(const char* name)
{
    return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

int32_t windowDpi(HWND window)
{
    DpiForWindowCall dpiForWindow = (DpiForWindowCall)(void*)userCall("GetDpiForWindow");
    int32_t dpi = window && dpiForWindow ? (int32_t)dpiForWindow(window) : 0;
    if (dpi > 0)
        return dpi;
    HDC dc = GetDC(window);
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi;
}

int32_t systemMetricForDpi(int32_t index, int32_t dpi)
{
    MetricForDpiCall metricForDpi = (MetricForDpiCall)(void*)userCall("GetSystemMetricsForDpi");
    return metricForDpi ? metricForDpi(index, (UINT)dpi) : GetSystemMetrics(index);
}
