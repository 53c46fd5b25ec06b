// FrameWindow: the program's main window with its menu bar, the status bar and
// the view. One per process.
#pragma once

#include <stdint.h>

#include "app/globals.h"

struct HWND__;
class TextDocument;
class ScrollView;

// Number of frames alive; the File/Exit command counts down.
extern int32_t frameCount;

int registerFrameClass();
int unregisterFrameClass();   // the UnregisterClassA result
// Creates the frame (which loads the settings and creates the status bar and
// the view, handing the view the document). Returns the window handle.
HWND__* createFrameWindow(int32_t x, int32_t y, int32_t width, int32_t height, TextDocument* document);
