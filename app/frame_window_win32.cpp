// The frame window: class registration, creation and the window procedure with
// the menu commands (Open, colours, Fade, Copy on Select, About, Associate,
// Exit). The procedure only dispatches; each message has a small handler.
#include "app/frame_window.h"

#include <windows.h>
#include <commdlg.h>
#include <commctrl.h>
#include <stddef.h>

#include "app/about_dialog.h"
#include "app/file_association.h"
#include "app/settings.h"
#include "document/text_document.h"
#include "resources/resource.h"
#include "view/scroll_view.h"
#include "view/view_window.h"

// The status bar comes from the common controls: CreateStatusWindowA, imported
// by ordinal 6 under a name of the program's own through the import library
// built from app/comctl32_ordinals.def.
extern "C" __declspec(dllimport) HWND WINAPI createStatusWindowByOrdinal(LONG style, LPCSTR text,
                                                                         HWND parent, UINT id);

static_assert(sizeof(OpenFileRecord) == offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(void*),
              "the Open dialog record is the NT 4 form (76 bytes on i386)");
static_assert(offsetof(OpenFileRecord, hwndOwner) == offsetof(OPENFILENAMEA, hwndOwner), "");
static_assert(offsetof(OpenFileRecord, lpstrFilter) == offsetof(OPENFILENAMEA, lpstrFilter), "");
static_assert(offsetof(OpenFileRecord, nFilterIndex) == offsetof(OPENFILENAMEA, nFilterIndex), "");
static_assert(offsetof(OpenFileRecord, lpstrFile) == offsetof(OPENFILENAMEA, lpstrFile), "");
static_assert(offsetof(OpenFileRecord, nMaxFile) == offsetof(OPENFILENAMEA, nMaxFile), "");
static_assert(offsetof(OpenFileRecord, lpstrInitialDir) == offsetof(OPENFILENAMEA, lpstrInitialDir), "");
static_assert(offsetof(OpenFileRecord, Flags) == offsetof(OPENFILENAMEA, Flags), "");
static_assert(offsetof(OpenFileRecord, nFileOffset) == offsetof(OPENFILENAMEA, nFileOffset), "");
static_assert(offsetof(OpenFileRecord, lpTemplateName) == offsetof(OPENFILENAMEA, lpTemplateName), "");

int32_t frameCount;

static const char frameClassName[] = "NFO_Window";
static const char statusText[] = "SPACE = scroll, DBLCLICK = Autosize, RIGHTCLICK to copy text";
// Shown instead while the view holds ANSI art that drew past its canvas's bound.
static const char cutArtText[] = "This ANSI art draws past the rows it can hold: the rest is not shown";
static const char openFilter[] = "Nfo's\0*.nfo\0All\0*.*\0";   // the literal adds the final zero

FrameWindow::FrameWindow(TextDocument* document)
{
    frameCount++;
    this->document = document;
    // The block arrives zero-filled, so openFileName is all zero already.
    openFileName.lStructSize = sizeof(OpenFileRecord);
    openFileName.lpstrFilter = openFilter;
    openFileName.nFilterIndex = 1;
    openFileName.lpstrFile = fileName;
    openFileName.nMaxFile = sizeof(fileName);
    openFileName.lpstrInitialDir = initialDir;
    openFileName.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    // A directory whose name does not fit is left out: the dialog then starts
    // in the current directory by itself.
    if (GetCurrentDirectoryA(sizeof(initialDir), initialDir) >= sizeof(initialDir))
        initialDir[0] = 0;
}

FrameWindow::~FrameWindow()
{
    // The status bar and the view are child windows, and the view owns the
    // document: nothing else to release.
}

static FrameWindow* frameOf(HWND wnd)
{
    return reinterpret_cast<FrameWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
}

// Gives the object back after clearing the window's reference to it, so that
// messages that still reach the window find no object instead of freed memory.
static void releaseFrame(HWND wnd, FrameWindow* frame)
{
    if (!frame)
        return;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    delete frame;
}

static void setCheck(HWND wnd, UINT command, uint8_t on)
{
    CheckMenuItem(GetMenu(wnd), command, on ? MF_CHECKED : MF_UNCHECKED);
}

// The status bar's hint, or what the open document lacks.
static void showDocumentStatus(FrameWindow* frame)
{
    const TextDocument* document = frame->view ? frame->view->document : nullptr;
    const bool cut = document && document->canvas && document->canvas->cut;
    SendMessageA(frame->statusWnd, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(cut ? cutArtText : statusText));
}

static LRESULT onCreate(HWND wnd, const CREATESTRUCTA* create)
{
    FrameWindow* frame = static_cast<FrameWindow*>(create->lpCreateParams);
    if (!frame)
        return -1;   // every command needs the object: no frame without it
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));

    Settings settings = loadSettings();
    setCheck(wnd, IDM_FADE, settings.fadeEnabled);
    setCheck(wnd, IDM_COPY_ON_SELECT, settings.copyOnSelect);
    frame->openFileName.hwndOwner = wnd;
    registerViewClass();

    RECT client;
    GetClientRect(wnd, &client);
    frame->statusWnd = createStatusWindowByOrdinal(WS_CHILD | WS_VISIBLE, statusText, wnd, 0);
    RECT status = {0, 0, 0, 0};
    GetWindowRect(frame->statusWnd, &status);
    frame->statusHeight = status.bottom - status.top;
    client.bottom -= frame->statusHeight;
    frame->view = createScrollView(wnd, client, settings.foreColor, settings.backColor,
                                   settings.fadeEnabled, settings.copyOnSelect, frame->document);
    showDocumentStatus(frame);
    return 0;
}

static void onSize(HWND wnd, FrameWindow* frame, WPARAM kind, LPARAM size)
{
    if (kind == SIZE_MINIMIZED)
        return;
    RECT client;
    GetClientRect(wnd, &client);
    if (frame->view)
        MoveWindow(frame->view->viewWnd, client.left, client.top, client.right - client.left,
                   (client.bottom - frame->statusHeight) - client.top, TRUE);
    SendMessageA(frame->statusWnd, WM_SIZE, kind, size);
}

// A move to a monitor of another DPI, or a new scale on this one: the frame
// takes the rectangle the system suggests, the status bar its height in the
// new font, and the view its new scale even when its size stays.
static void onDpiChanged(HWND wnd, FrameWindow* frame, const RECT* suggested)
{
    MoveWindow(wnd, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, TRUE);
    RECT status = {0, 0, 0, 0};
    GetWindowRect(frame->statusWnd, &status);
    frame->statusHeight = status.bottom - status.top;
    onSize(wnd, frame, SIZE_RESTORED, 0);
    if (frame->view) {
        frame->view->rebuildBackBuffer();
        frame->view->composeFrame();
    }
}

static void onKeyDown(FrameWindow* frame, WPARAM key, LPARAM flags)
{
    if (frame->view)
        SendMessageA(frame->view->viewWnd, WM_KEYDOWN, key, flags);
}

// The wheel's deltas add up in the frame's remainder; each whole notch of the
// sum is one Up or Down key press. Less than a notch either way sends Down
// with no repeats.
static void onMouseWheel(FrameWindow* frame, WPARAM wParam)
{
    WheelKeys keys = addWheelDelta(frame->wheel, (short)HIWORD(wParam));
    if (frame->view)
        SendMessageA(frame->view->viewWnd, WM_KEYDOWN, keys.key, keys.repeats & 0xFFFF);
}

// The names arrive in UTF-8, up to four bytes a character, so the dialog
// writes into a buffer four times the size of fileName: a name that does not
// fit fileName arrives whole, and is refused like a file that cannot be
// opened ("File not found" and no document) instead of being cut where the
// buffer ends and read as another name.
static void openFile(FrameWindow* frame)
{
    OPENFILENAMEA* record = reinterpret_cast<OPENFILENAMEA*>(&frame->openFileName);
    char chosen[4 * sizeof(frame->fileName)];
    lstrcpyA(chosen, frame->fileName);
    record->lpstrFile = chosen;
    record->nMaxFile = sizeof(chosen);
    const BOOL picked = GetOpenFileNameA(record);
    record->lpstrFile = frame->fileName;
    record->nMaxFile = sizeof(frame->fileName);
    if (picked != 1)
        return;
    const char* name = "";
    if (lstrlenA(chosen) < int(sizeof(frame->fileName))) {
        name = lstrcpyA(frame->fileName, chosen);
        // The next Open starts in the chosen file's directory (the path up
        // to, and without, the separator in front of the file name).
        lstrcpynA(frame->initialDir, frame->fileName, record->nFileOffset);
    }
    if (frame->view)
        frame->view->openDocument(name);
}

static void chooseColor(HWND wnd, FrameWindow* frame, bool text)
{
    ScrollView* view = frame->view;
    if (!view)
        return;
    COLORREF current = text ? view->foreColor : view->backColor;
    CHOOSECOLORA choose;
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = wnd;
    choose.hInstance = reinterpret_cast<HWND>(appInstance);
    choose.rgbResult = current;
    choose.lpCustColors = reinterpret_cast<COLORREF*>(frame->customColors);
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    choose.lCustData = 0;
    choose.lpfnHook = nullptr;
    choose.lpTemplateName = nullptr;
    ChooseColorA(&choose);
    // A cancelled dialog leaves rgbResult as it was, like an unchanged choice.
    if (choose.rgbResult == current)
        return;
    if (text) {
        view->setColors(choose.rgbResult, view->backColor);
        saveSetting("fgColor", view->foreColor);
    } else {
        view->setColors(view->foreColor, choose.rgbResult);
        saveSetting("bgColor", view->backColor);
    }
}

static void toggleFade(HWND wnd, FrameWindow* frame)
{
    ScrollView* view = frame->view;
    if (!view)
        return;
    view->fadeEnabled = view->fadeEnabled ? 0 : 1;
    setCheck(wnd, IDM_FADE, view->fadeEnabled);
    view->composeFrame();
    saveSetting("bFade", view->fadeEnabled);
}

static void toggleCopyOnSelect(HWND wnd, FrameWindow* frame)
{
    ScrollView* view = frame->view;
    if (!view)
        return;
    view->copyOnSelect = view->copyOnSelect ? 0 : 1;
    setCheck(wnd, IDM_COPY_ON_SELECT, view->copyOnSelect);
    saveSetting("bCopyOnSelect", view->copyOnSelect);
}

// File/Exit ends the message loop but leaves the window alone; the program
// ends with the loop.
static void exitFrame(HWND wnd, FrameWindow* frame)
{
    frameCount--;
    if (frameCount == 0) {
        unregisterFrameClass();
        PostQuitMessage(0);
    }
    releaseFrame(wnd, frame);
}

static void onCommand(HWND wnd, FrameWindow* frame, WPARAM wParam)
{
    if (HIWORD(wParam) != 0)
        return;   // accelerators and controls: only menu commands count
    // After Exit the object is gone while the window waits for the loop to
    // end: nothing is left to act on, and this frame has been counted down.
    if (!frame)
        return;
    switch (LOWORD(wParam)) {
    case IDM_OPEN:
        openFile(frame);
        // The frame may have been closed while a message box was up.
        if (frameOf(wnd) == frame)
            showDocumentStatus(frame);
        break;
    case IDM_FG_COLOR:
        chooseColor(wnd, frame, true);
        break;
    case IDM_BG_COLOR:
        chooseColor(wnd, frame, false);
        break;
    case IDM_FADE:
        toggleFade(wnd, frame);
        break;
    case IDM_COPY_ON_SELECT:
        toggleCopyOnSelect(wnd, frame);
        break;
    case IDM_ABOUT:
        DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_ABOUT), wnd, aboutDialogProc, 0);
        break;
    case IDM_ASSOCIATE:
        associateNfoFiles(wnd);
        break;
    case IDM_EXIT:
        exitFrame(wnd, frame);
        break;
    default:
        break;
    }
}

static void onDestroy(HWND wnd, FrameWindow* frame)
{
    unregisterFrameClass();   // fails while the window exists; start-up retries after the loop
    PostQuitMessage(0);
    releaseFrame(wnd, frame);
}

// Messages that need the object go to DefWindowProcA while there is none:
// before WM_CREATE, and after File/Exit has released it.
static LRESULT CALLBACK frameWindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    FrameWindow* frame = frameOf(wnd);
    switch (message) {
    case WM_CREATE:
        return onCreate(wnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_SIZE:
        if (!frame)
            break;
        onSize(wnd, frame, wParam, lParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // the view and the status bar cover the client area
    case WM_DPICHANGED:
        if (!frame)
            break;
        onDpiChanged(wnd, frame, reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_KEYDOWN:
        if (!frame)
            break;
        onKeyDown(frame, wParam, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (!frame)
            break;
        onMouseWheel(frame, wParam);
        return 0;
    case WM_COMMAND:
        onCommand(wnd, frame, wParam);
        return 0;
    case WM_DESTROY:
        onDestroy(wnd, frame);
        return 0;
    }
    return DefWindowProcA(wnd, message, wParam, lParam);
}

int registerFrameClass()
{
    WNDCLASSEXA frameClass;
    frameClass.cbSize = sizeof(WNDCLASSEXA);
    frameClass.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNWINDOW;
    frameClass.lpfnWndProc = frameWindowProc;
    frameClass.cbClsExtra = 0;
    frameClass.cbWndExtra = 0;
    frameClass.hInstance = appInstance;
    frameClass.hIcon = LoadIconA(appInstance, MAKEINTRESOURCEA(IDI_APP));
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    frameClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    frameClass.lpszClassName = frameClassName;
    frameClass.hIconSm = LoadIconA(appInstance, MAKEINTRESOURCEA(IDI_DOC));
    return RegisterClassExA(&frameClass);
}

int unregisterFrameClass()
{
    return UnregisterClassA(frameClassName, appInstance);
}

HWND createFrameWindow(int32_t x, int32_t y, int32_t width, int32_t height, TextDocument* document)
{
    FrameWindow* frame = new FrameWindow(document);
    if (!frame)
        return nullptr;
    return CreateWindowExA(0, frameClassName, "Tavelin",
                           WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                               WS_MINIMIZEBOX,
                           x, y, width, height, nullptr, nullptr, appInstance, frame);
}
