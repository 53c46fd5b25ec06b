// The view window: its class, its creation and the private tick message.
// The window procedure, the input modes and the ScrollTicker thread are in
// view_window_win32.cpp.
#pragma once

#include <stdint.h>

#include "view/scroll_view.h"

struct HWND__;
struct tagRECT;

// Sent by a ScrollTicker to the view every 100 ms while autoScrolling is set.
#define WM_VIEW_TICK (0x0400 + 100)

void registerViewClass();
void unregisterViewClass();

// Creates the view object and its child window covering rect (frame client
// coordinates). The window's first frame is composed before this returns.
ScrollView* createScrollView(HWND__* frameWnd, const tagRECT& rect, ColorRef foreColor,
                             ColorRef backColor, uint8_t fadeEnabled, uint8_t copyOnSelect,
                             TextDocument* document);
