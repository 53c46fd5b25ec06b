// The two platform services that the view's portable code needs besides its
// own Win32 methods: loading and destroying the context menu. The program gets
// them from scroll_view_win32.cpp; native builds from a stand-in.
#pragma once

struct HMENU__;

HMENU__* loadViewContextMenu();
void destroyViewContextMenu(HMENU__* menu);
