// Runs what waits in the calling thread's message queue, sent and posted,
// without waiting for more. WM_QUIT, which every view posts when it is
// destroyed, is dropped. Shared by the view fixture of the Wine tests and the
// Windows bench program, which both drive real windows from one thread.
#pragma once

#include <windows.h>

inline void runPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
