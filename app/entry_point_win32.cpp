// The program's entry point: no C runtime runs before it. It fills the
// process globals, loads the file named on the command line, opens the frame
// window sized to the text and runs the message loop of the one user-interface
// thread until WM_QUIT.
#include <windows.h>

#include "app/command_line.h"
#include "app/frame_window.h"
#include "app/globals.h"
#include "app/window_fit.h"
#include "document/text_document.h"
#include "view/window_dpi.h"

static TextDocument* loadStartupDocument()
{
    char* fileName = getFileArgument(GetCommandLineA());
    if (!fileName)
        return nullptr;
    // A file that cannot be read has told the user already and gives a
    // document without lines; a failed allocation gives none at all.
    return new TextDocument(fileName);
}

static void runMessageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// ExitProcess, not a return: a ScrollTicker thread that still runs would
// otherwise keep an invisible process alive after the window has gone.
extern "C" void WINAPI tavelinEntry()
{
    processHeap = GetProcessHeap();
    appInstance = GetModuleHandleA(nullptr);

    TextDocument* document = loadStartupDocument();
    registerFrameClass();
    // No window yet: the system's DPI, where the frame first appears.
    WindowPlacement place = fitFrameToText(document, windowDpi(nullptr));
    HWND frame = createFrameWindow(place.x, place.y, place.width, place.height, document);
    if (frame) {
        ShowWindow(frame, SW_SHOWNORMAL);
        runMessageLoop();
    }
    ExitProcess((UINT)unregisterFrameClass());
}
