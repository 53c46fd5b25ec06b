// The platform services that the view's portable code needs besides its own
// Win32 methods: loading and destroying the context menu, and holding the
// object's memory. The program gets them from scroll_view_win32.cpp and
// view_window_win32.cpp; native builds from a stand-in.
#pragma once

struct HMENU__;
class ScrollView;

HMENU__* loadViewContextMenu();
void destroyViewContextMenu(HMENU__* menu);

// A hold on the object's memory, the same one each ScrollTicker takes: while
// any hold is kept the block outlives the window, and whoever lets go last
// once the window is gone frees it (ScrollView::tickerHolds).
void holdView(ScrollView* view);
void releaseViewHold(ScrollView* view);
