// ScrollView construction, destruction and the replacement of its document.
// The Win32 side of the object (buffers, presentation, the frame fit, the
// context menu) lives in scroll_view_win32.cpp.
#include "view/scroll_view.h"

#include "document/text_document.h"
#include "view/view_platform.h"

ScrollView::ScrollView(ColorRef foreColor, ColorRef backColor, uint8_t fadeEnabled,
                       uint8_t copyOnSelect, TextDocument* document)
{
    this->fadeEnabled = fadeEnabled;
    this->copyOnSelect = copyOnSelect;
    applyColors(foreColor, backColor);
    dibSection = nullptr;
    backBuffer = nullptr;
    this->document = document;
    topLine = 0;
    pixelOffset = 0;
    autoScrolling = 0;
    leftDragging = 0;
    middleScrolling = 0;
    selecting = 0;
    hasSelection = 0;
    selReversed = 0;
    atTop = 0;
    atBottom = 0;
    contextMenu = loadViewContextMenu();
}

ScrollView::~ScrollView()
{
    destroyViewContextMenu(contextMenu);
    delete document;
}

void ScrollView::openDocument(const char* path)
{
    // The old text goes first, so that two big files are never held at once.
    // Until the new one exists the view has none: a file that cannot be read
    // is reported by a message box whose message loop paints, ticks and
    // moves the mouse in this view meanwhile.
    TextDocument* old = document;
    document = nullptr;
    delete old;
    // The box has no owner, so the frame may also be closed while it is up,
    // destroying this window. The hold keeps the object's memory until the
    // box returns; a window that has gone takes the new document with it.
    HWND__* window = viewWnd;
    holdView(this);
    TextDocument* loaded = new TextDocument(path);
    const bool windowGone = window && !viewWnd;
    if (windowGone)
        delete loaded;
    else
        document = loaded;
    releaseViewHold(this);   // frees the object when the window has gone
    if (windowGone || !document)
        return;
    autosize();
    topLine = 0;
    pixelOffset = 0;
    hasSelection = 0;
    autoScrolling = 0;
    // When the fitted frame keeps its size no resize follows, and without this
    // the old file's picture would stay on screen until the next repaint.
    composeFrame();
}
