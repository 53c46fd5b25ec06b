// The preview pane's window: a child of the preview host's window showing a
// document in the viewer's look (its colours and fade, the VGA font, the
// 10-pixel margin) at the whole-number scale of the window's DPI, scrolled by
// the wheel, the arrow and page keys and a left drag as in the viewer.
#pragma once

#include <windows.h>

class TextDocument;
struct PreviewWindow;

// Takes the document (it is deleted with the window). Null when the window
// cannot be made; the document is deleted then too.
PreviewWindow* createPreviewWindow(HWND parent, const RECT& rect, TextDocument* document);
void movePreviewWindow(PreviewWindow* preview, HWND parent, const RECT& rect);
HWND previewWindowHandle(const PreviewWindow* preview);
// Destroys the window and gives back the document and every buffer.
void destroyPreviewWindow(PreviewWindow* preview);
