// FrameWindow: the program's main window with its menu bar, the status bar and
// the view. One per process. The frame keeps the Open dialog's record and
// buffers and the colour dialog's custom colours for as long as it lives, so
// both dialogs remember what the user did in them during the run.
#pragma once

#include <stdint.h>

#include "app/globals.h"
#include "view/wheel_notches.h"

struct HWND__;
class TextDocument;
class ScrollView;

// Number of frames alive; the File/Exit command counts down.
extern int32_t frameCount;

// The Open dialog's record, laid out exactly as the 76-byte OPENFILENAMEA of
// the common dialogs (frame_window_win32.cpp checks every offset), so that
// this header needs no system headers.
struct OpenFileRecord {
    uint32_t lStructSize;
    HWND__* hwndOwner;
    void* hInstance;
    const char* lpstrFilter;
    char* lpstrCustomFilter;
    uint32_t nMaxCustFilter;
    uint32_t nFilterIndex;
    char* lpstrFile;
    uint32_t nMaxFile;
    char* lpstrFileTitle;
    uint32_t nMaxFileTitle;
    const char* lpstrInitialDir;
    const char* lpstrTitle;
    uint32_t Flags;
    uint16_t nFileOffset;
    uint16_t nFileExtension;
    const char* lpstrDefExt;
    intptr_t lCustData;
    void* lpfnHook;
    const char* lpTemplateName;
};

class FrameWindow {
public:
    TAVELIN_HEAP_OBJECT

    // Counts the frame and prepares the Open dialog's record; the current
    // directory becomes the dialog's first directory.
    explicit FrameWindow(TextDocument* document);
    virtual ~FrameWindow();

    HWND__* statusWnd;          // the status bar along the bottom edge
    TextDocument* document;     // the start-up document, handed to the view at creation
    ScrollView* view;           // the view in the rest of the client area
    OpenFileRecord openFileName;
    char fileName[260];         // the Open dialog's file: the full path of the last file opened
    char initialDir[260];       // the Open dialog's directory: that of the last file opened
    uint32_t customColors[16];  // the colour dialog's custom colours, for this run only
    int32_t statusHeight;       // the status bar's height in pixels
    WheelRemainder wheel;       // what the wheel's deltas left of a notch
};

int registerFrameClass();
int unregisterFrameClass();   // the UnregisterClassA result
// Creates the frame (which loads the settings and creates the status bar and
// the view, handing the view the document). Returns the window handle, or null
// when the frame object cannot be allocated; no window is created then.
HWND__* createFrameWindow(int32_t x, int32_t y, int32_t width, int32_t height, TextDocument* document);
