// Test bench for the view window under Wine: a real parent window, a real view
// over a real .nfo file written to the temp folder, message pumping while
// ScrollTickers run, and small readers for the clipboard, the process's
// threads and handles.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "view/scroll_view.h"

namespace viewtest {

// Geometry of the default view: 12 whole text rows and 8 pixels more.
const int kViewWidth = 400;
const int kViewHeight = 200;
const ColorRef kInk = 0x00FFFFFF;
const ColorRef kPaper = 0x00000000;

// The document line at index k (k >= 1) of stripedText: a full block at
// odd indexes and a space at even ones in column 0, so that pixel column
// 12 of the view shows 16 rows of ink and 16 of paper in turn; then "line"
// and the index in three digits.
std::string stripedLine(int index);
std::string stripedText(int lines);

// P, the document y shown at the top edge of the view.
inline int position(const ScrollView* view)
{
    return 16 * view->topLine - view->pixelOffset;
}

// The process's threads and open kernel handles right now.
int threadCount();
int handleCount();

// Runs the thread's messages (sent and posted) for the given time, or until
// done() holds; WM_QUIT, posted by every view that is destroyed, is dropped.
void pumpFor(DWORD milliseconds);
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The clipboard's CF_TEXT, or "<none>" when it holds no text.
std::string clipboardText();
void setClipboardText(const std::string& text);

// A parent window and a view over one temporary file.
class ViewBench {
public:
    ViewBench() = default;
    ~ViewBench();
    ViewBench(const ViewBench&) = delete;
    ViewBench& operator=(const ViewBench&) = delete;

    // Writes text to a temporary .nfo file and opens the view on it; with
    // withDocument false the view starts without a document.
    void open(const std::string& text, bool withDocument = true, uint8_t copyOnSelect = 1,
              int width = kViewWidth, int height = kViewHeight);
    // Destroys the parent and with it the view; the view object is gone after.
    void close();

    LRESULT key(WPARAM virtualKey, int repeat = 1, bool wasDown = false);
    LRESULT mouse(UINT message, WPARAM keys, int x, int y);
    LRESULT tick();

    // Pixel column x of the screen image, one entry per row.
    std::vector<Pixel> screenColumn(int x) const;

    HWND frame = nullptr;
    HWND window = nullptr;
    ScrollView* view = nullptr;
    std::string path;
};

}  // namespace viewtest
