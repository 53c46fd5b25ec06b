// The frame window with real windows: wheel turns become key presses for the
// view, menu commands act only as menu commands, the layout of view and status
// bar, the toggles and colours with their registry values, the Open dialog's
// directory rule, and a frame after File/Exit that must not touch its freed
// object. Modal dialogs are answered from a helper thread.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_window.h"
#include "document/text_document.h"
#include "resources/resource.h"
#include "tests/support/win32_test_helpers.h"
#include "view/scroll_view.h"

namespace {

// Lines of solid blocks, so that every text row puts ink in the view.
std::string blockText(int lines)
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += std::string(40, '\xDB') + "\r\n";
    return text;
}

bool menuChecked(HWND frame, UINT command)
{
    return (GetMenuState(GetMenu(frame), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// Runs the posted and sent messages of this thread; reports whether WM_QUIT
// was among them.
bool pumpMessages()
{
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            quit = true;
        else
            DispatchMessageA(&message);
    }
    return quit;
}

// Every WM_KEYDOWN that reaches the view, recorded before the view handles it.
std::vector<std::pair<WPARAM, LPARAM>> viewKeys;
WNDPROC viewProc;

LRESULT CALLBACK recordingViewProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN)
        viewKeys.push_back({wParam, lParam});
    return CallWindowProcA(viewProc, wnd, message, wParam, lParam);
}

// Answers the first dialog that a window of the given thread opens: act gets
// the dialog; if no dialog shows up within five seconds nothing is done.
class DialogAnswerer {
public:
    typedef void (*Action)(HWND dialog, void* context);

    DialogAnswerer(Action act, void* context)
        : act_(act), context_(context), owner_(GetCurrentThreadId())
    {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~DialogAnswerer()
    {
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
    }
    bool answered() const { return answered_; }

private:
    static BOOL CALLBACK findDialog(HWND wnd, LPARAM found)
    {
        char name[32] = "";
        GetClassNameA(wnd, name, sizeof(name));
        if (strcmp(name, "#32770") == 0 && IsWindowVisible(wnd)) {
            *reinterpret_cast<HWND*>(found) = wnd;
            return FALSE;
        }
        return TRUE;
    }
    static DWORD WINAPI run(void* self)
    {
        DialogAnswerer* answerer = static_cast<DialogAnswerer*>(self);
        for (int i = 0; i < 100; ++i) {
            HWND dialog = nullptr;
            EnumThreadWindows(answerer->owner_, findDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
                Sleep(200);   // let the dialog finish its initialisation
                answerer->act_(dialog, answerer->context_);
                answerer->answered_ = true;
                return 0;
            }
            Sleep(50);
        }
        return 0;
    }

    Action act_;
    void* context_;
    DWORD owner_;
    HANDLE thread_;
    volatile bool answered_ = false;
};

void cancelDialog(HWND dialog, void*)
{
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

class FrameWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        documentPath = tempPath("tavelin_frame_test.nfo");
        writeFile(documentPath, blockText(200));
        registerFrameClass();
    }

    void TearDown() override
    {
        if (frameWnd && IsWindow(frameWnd))
            DestroyWindow(frameWnd);
        pumpMessages();
        unregisterFrameClass();
        DeleteFileA(documentPath.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    // Creates the frame on the test document; its settings come from the
    // registry as it stands.
    void openFrame(int width = 600, int height = 400)
    {
        TextDocument* document = new TextDocument(documentPath.c_str());
        ASSERT_NE(nullptr, document);
        frameWnd = createFrameWindow(40, 40, width, height, document);
        ASSERT_NE(nullptr, frameWnd);
        frame = reinterpret_cast<FrameWindow*>(GetWindowLongPtrA(frameWnd, GWLP_USERDATA));
        ASSERT_NE(nullptr, frame);
        ASSERT_NE(nullptr, frame->view);
        view = frame->view;
        pumpMessages();
    }

    void recordViewKeys()
    {
        viewKeys.clear();
        viewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            view->viewWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordingViewProc)));
    }

    void command(UINT id, UINT notification = 0)
    {
        SendMessageA(frameWnd, WM_COMMAND, MAKEWPARAM(id, notification), 0);
    }

    std::string documentPath;
    HWND frameWnd = nullptr;
    FrameWindow* frame = nullptr;
    ScrollView* view = nullptr;
};

TEST_F(FrameWindowTest, WheelTurnsBecomeUpOrDownKeysWithWholeNotches)
{
    openFrame();
    recordViewKeys();
    struct Case {
        short delta;
        WPARAM key;
        LPARAM repeats;
    };
    const Case cases[] = {
        // Twelve touchpad deltas of 10 make a notch; a turn the other way drops what is left.
        {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0},
        {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0}, {-10, VK_DOWN, 0},
        {-10, VK_DOWN, 0}, {-10, VK_DOWN, 1}, {-60, VK_DOWN, 0}, {60, VK_DOWN, 0},  {60, VK_UP, 1},
        {120, VK_UP, 1}, {360, VK_UP, 3},  {-240, VK_DOWN, 2}, {130, VK_UP, 1},
        {60, VK_DOWN, 0}, {-119, VK_DOWN, 0}, {-32760, VK_DOWN, 273},
    };
    for (const Case& c : cases) {
        viewKeys.clear();
        SendMessageA(frameWnd, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, (WORD)c.delta),
                     MAKELPARAM(100, 100));
        ASSERT_EQ(1u, viewKeys.size()) << "delta " << c.delta;
        EXPECT_EQ(c.key, viewKeys[0].first) << "delta " << c.delta;
        EXPECT_EQ(c.repeats, viewKeys[0].second) << "delta " << c.delta;
    }
}

TEST_F(FrameWindowTest, WheelAndKeysScrollTheView)
{
    openFrame();
    // The document pixel row at the view's top edge.
    auto position = [&]() { return view->topLine * 16 - view->pixelOffset; };
    ASSERT_EQ(0, position());
    SendMessageA(frameWnd, WM_KEYDOWN, VK_DOWN, 3);   // repeat count 3
    EXPECT_EQ(48, position());
    SendMessageA(frameWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(32, position());
    SendMessageA(frameWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-100), 0);
    EXPECT_EQ(32, position());
    SendMessageA(frameWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-250), 0);
    EXPECT_EQ(64, position());
}

TEST_F(FrameWindowTest, OnlyMenuCommandsAreCarriedOut)
{
    openFrame();
    ASSERT_TRUE(menuChecked(frameWnd, IDM_FADE));
    // A valid id with a notification code, as from an accelerator or a control.
    command(IDM_FADE, 1);
    command(IDM_COPY_ON_SELECT, EN_CHANGE);
    command(IDM_EXIT, 1);
    EXPECT_EQ(1, view->fadeEnabled);
    EXPECT_EQ(1, view->copyOnSelect);
    EXPECT_TRUE(menuChecked(frameWnd, IDM_FADE));
    EXPECT_EQ(frame, reinterpret_cast<FrameWindow*>(GetWindowLongPtrA(frameWnd, GWLP_USERDATA)));
    // Ids outside the menu's range, and the view's own Copy, do nothing here.
    writeDword("bFade", 7);
    for (UINT id : {0u, 1u, 40000u, 40016u, (UINT)IDM_COPY, 40002u})
        command(id);
    DWORD stored = 0;
    ASSERT_TRUE(readDword("bFade", &stored));
    EXPECT_EQ(7u, stored);
    EXPECT_FALSE(pumpMessages());
}

TEST_F(FrameWindowTest, CheckMarksAndViewFlagsFollowTheStoredSettings)
{
    struct Case {
        DWORD fade, copy;
        bool fadeOn, copyOn;
    };
    const Case cases[] = {{0, 0, false, false}, {0x101, 0x100, true, false}, {2, 1, true, true}};
    for (const Case& c : cases) {
        writeDword("bFade", c.fade);
        writeDword("bCopyOnSelect", c.copy);
        openFrame();
        EXPECT_EQ(c.fadeOn, menuChecked(frameWnd, IDM_FADE)) << c.fade;
        EXPECT_EQ(c.copyOn, menuChecked(frameWnd, IDM_COPY_ON_SELECT)) << c.copy;
        EXPECT_EQ(c.fadeOn, view->fadeEnabled != 0);
        EXPECT_EQ(c.copyOn, view->copyOnSelect != 0);
        DestroyWindow(frameWnd);
        pumpMessages();
        registerFrameClass();
    }
}

TEST_F(FrameWindowTest, StatusBarAlongTheBottomAndViewAboveIt)
{
    openFrame();
    HWND status = FindWindowExA(frameWnd, nullptr, STATUSCLASSNAMEA, nullptr);
    ASSERT_EQ(frame->statusWnd, status);
    char text[128] = "";
    SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("SPACE = scroll, DBLCLICK = Autosize, RIGHTCLICK to copy text", text);

    RECT statusRect, client, viewRect;
    GetWindowRect(status, &statusRect);
    EXPECT_GT(frame->statusHeight, 0);
    EXPECT_EQ(frame->statusHeight, statusRect.bottom - statusRect.top);
    GetClientRect(frameWnd, &client);
    GetClientRect(view->viewWnd, &viewRect);
    EXPECT_EQ(client.right, viewRect.right);
    EXPECT_EQ(client.bottom - frame->statusHeight, viewRect.bottom);
    POINT clientBottom = {0, client.bottom};
    ClientToScreen(frameWnd, &clientBottom);
    EXPECT_EQ(clientBottom.y, statusRect.bottom);
}

TEST_F(FrameWindowTest, MinimizeKeepsTheViewAndRestoreLaysItOutAgain)
{
    openFrame();
    RECT before;
    GetClientRect(view->viewWnd, &before);
    int32_t bufferWidth = view->width, bufferHeight = view->height;

    SendMessageA(frameWnd, WM_SIZE, SIZE_MINIMIZED, 0);
    ShowWindow(frameWnd, SW_MINIMIZE);
    pumpMessages();
    RECT minimized;
    GetClientRect(view->viewWnd, &minimized);
    EXPECT_EQ(before.right, minimized.right);
    EXPECT_EQ(before.bottom, minimized.bottom);
    EXPECT_EQ(bufferWidth, view->width);
    EXPECT_EQ(bufferHeight, view->height);

    ShowWindow(frameWnd, SW_RESTORE);
    SetWindowPos(frameWnd, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    pumpMessages();
    RECT client, after;
    GetClientRect(frameWnd, &client);
    GetClientRect(view->viewWnd, &after);
    EXPECT_EQ(client.right, after.right);
    EXPECT_EQ(client.bottom - frame->statusHeight, after.bottom);
    EXPECT_EQ(after.right, view->width);
    RECT statusRect;
    GetWindowRect(frame->statusWnd, &statusRect);
    POINT clientBottom = {0, client.bottom};
    ClientToScreen(frameWnd, &clientBottom);
    EXPECT_EQ(clientBottom.y, statusRect.bottom);
}

// A move to a monitor of another DPI: the frame takes the rectangle the
// system suggests, and the view and its buffers fill the new client area.
TEST_F(FrameWindowTest, DpiChangeTakesTheSuggestedRectangleAndLaysOutTheView)
{
    openFrame();
    RECT suggested = {120, 90, 120 + 530, 90 + 345};
    SendMessageA(frameWnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    pumpMessages();
    RECT placed, client, viewRect;
    GetWindowRect(frameWnd, &placed);
    EXPECT_TRUE(EqualRect(&suggested, &placed));
    GetClientRect(frameWnd, &client);
    GetClientRect(view->viewWnd, &viewRect);
    EXPECT_EQ(client.right, viewRect.right);
    EXPECT_EQ(client.bottom - frame->statusHeight, viewRect.bottom);
    EXPECT_EQ(viewRect.right, view->width);
    EXPECT_EQ(viewRect.bottom, view->height);
}

TEST_F(FrameWindowTest, TogglesFlipTheFlagTheCheckMarkAndTheStoredValue)
{
    struct Case {
        UINT id;
        const char* name;
        uint8_t ScrollView::*flag;
    };
    const Case cases[] = {{IDM_FADE, "bFade", &ScrollView::fadeEnabled},
                          {IDM_COPY_ON_SELECT, "bCopyOnSelect", &ScrollView::copyOnSelect}};
    openFrame();
    for (const Case& c : cases) {
        ASSERT_EQ(1, view->*c.flag) << c.name;
        command(c.id);
        EXPECT_EQ(0, view->*c.flag) << c.name;
        EXPECT_FALSE(menuChecked(frameWnd, c.id)) << c.name;
        DWORD stored = 99;
        ASSERT_TRUE(readDword(c.name, &stored));
        EXPECT_EQ(0u, stored) << c.name;

        writeDword(c.name, 99);   // the second toggle must store again
        command(c.id);
        EXPECT_EQ(1, view->*c.flag) << c.name;
        EXPECT_TRUE(menuChecked(frameWnd, c.id)) << c.name;
        ASSERT_TRUE(readDword(c.name, &stored));
        EXPECT_EQ(1u, stored) << c.name;
    }
}

TEST_F(FrameWindowTest, FadeShowsAtOnce)
{
    openFrame();
    // Row y = 20 holds the first file line, inside the faded top edge.
    auto row = [&]() {
        return std::vector<uint32_t>(view->screenBits + 20 * view->width,
                                     view->screenBits + 21 * view->width);
    };
    ASSERT_NE(nullptr, view->screenBits);
    std::vector<uint32_t> faded = row();
    command(IDM_FADE);
    std::vector<uint32_t> plain = row();
    EXPECT_NE(faded, plain);
    EXPECT_EQ(0x00FFFFFFu, plain[10] & 0x00FFFFFFu);   // the block's white ink, not faded
    command(IDM_FADE);
    EXPECT_EQ(faded, row());
}

struct ColorChoice {
    const char* red;
    const char* green;
    const char* blue;
};

// Types the colour into the dialog's red, green and blue fields and confirms.
void chooseInDialog(HWND dialog, void* context)
{
    const ColorChoice* choice = static_cast<const ColorChoice*>(context);
    SendDlgItemMessageA(dialog, 706, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(choice->red));
    SendDlgItemMessageA(dialog, 707, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(choice->green));
    SendDlgItemMessageA(dialog, 708, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(choice->blue));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(FrameWindowTest, ColourDialogStoresOnlyAChangedColour)
{
    openFrame();
    writeDword("fgColor", 0x123456);   // a marker: a save would overwrite it
    {
        DialogAnswerer answerer(cancelDialog, nullptr);
        command(IDM_FG_COLOR);
        EXPECT_TRUE(answerer.answered());
    }
    DWORD stored = 0;
    ASSERT_TRUE(readDword("fgColor", &stored));
    EXPECT_EQ(0x123456u, stored);
    EXPECT_EQ(0xFFFFFFu, view->foreColor);

    ColorChoice text = {"1", "2", "3"};
    {
        DialogAnswerer answerer(chooseInDialog, &text);
        command(IDM_FG_COLOR);
        EXPECT_TRUE(answerer.answered());
    }
    EXPECT_EQ(RGB(1, 2, 3), view->foreColor);
    EXPECT_EQ(0x404040u, view->backColor);
    ASSERT_TRUE(readDword("fgColor", &stored));
    EXPECT_EQ(RGB(1, 2, 3), stored);
    EXPECT_EQ(view->inkPixel, 0x010203u);

    ColorChoice paper = {"200", "100", "50"};
    {
        DialogAnswerer answerer(chooseInDialog, &paper);
        command(IDM_BG_COLOR);
        EXPECT_TRUE(answerer.answered());
    }
    EXPECT_EQ(RGB(1, 2, 3), view->foreColor);
    EXPECT_EQ(RGB(200, 100, 50), view->backColor);
    ASSERT_TRUE(readDword("bgColor", &stored));
    EXPECT_EQ(RGB(200, 100, 50), stored);

    // The same colour again stores nothing.
    writeDword("bgColor", 0x55);
    {
        DialogAnswerer answerer(chooseInDialog, &paper);
        command(IDM_BG_COLOR);
        EXPECT_TRUE(answerer.answered());
    }
    ASSERT_TRUE(readDword("bgColor", &stored));
    EXPECT_EQ(0x55u, stored);
}

struct TypedPath {
    std::string path;
};

// Types a full path into the Open dialog's file name field and confirms.
void typePathInDialog(HWND dialog, void* context)
{
    const TypedPath* typed = static_cast<const TypedPath*>(context);
    HWND edit = GetDlgItem(dialog, edt1);
    if (!edit)
        edit = GetDlgItem(dialog, cmb13);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed->path.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(FrameWindowTest, OpenRemembersTheDirectoryOfTheChosenFile)
{
    openFrame();
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STREQ(current, frame->initialDir);
    EXPECT_EQ(frame->initialDir, frame->openFileName.lpstrInitialDir);
    EXPECT_EQ(sizeof(void*) == 4 ? 76u : 136u, frame->openFileName.lStructSize);
    EXPECT_EQ(frameWnd, frame->openFileName.hwndOwner);

    // Cancelled: nothing changes.
    {
        DialogAnswerer answerer(cancelDialog, nullptr);
        command(IDM_OPEN);
        EXPECT_TRUE(answerer.answered());
    }
    EXPECT_STREQ(current, frame->initialDir);
    EXPECT_EQ(201, view->document->getLineCount());

    std::string dir = tempPath("tavelin_frame_dir");
    CreateDirectoryA(dir.c_str(), nullptr);
    TypedPath inDir = {dir + "\\three.nfo"};
    writeFile(inDir.path, blockText(3));
    {
        DialogAnswerer answerer(typePathInDialog, &inDir);
        command(IDM_OPEN);
        EXPECT_TRUE(answerer.answered());
    }
    EXPECT_STREQ(dir.c_str(), frame->initialDir);
    EXPECT_STREQ(inDir.path.c_str(), frame->fileName);
    EXPECT_EQ(4, view->document->getLineCount());

    // A file in the root of a drive leaves the bare drive.
    TypedPath inRoot = {"C:\\tavelin_frame_root.nfo"};
    writeFile(inRoot.path, blockText(5));
    {
        DialogAnswerer answerer(typePathInDialog, &inRoot);
        command(IDM_OPEN);
        EXPECT_TRUE(answerer.answered());
    }
    EXPECT_STREQ("C:", frame->initialDir);
    EXPECT_EQ(6, view->document->getLineCount());

    DeleteFileA(inRoot.path.c_str());
    DeleteFileA(inDir.path.c_str());
    RemoveDirectoryA(dir.c_str());
}

TEST_F(FrameWindowTest, AfterExitTheWindowIgnoresEverything)
{
    openFrame();
    recordViewKeys();
    frameCount = 1;
    command(IDM_EXIT);
    EXPECT_EQ(0, frameCount);
    EXPECT_EQ(0, GetWindowLongPtrA(frameWnd, GWLP_USERDATA));
    EXPECT_TRUE(IsWindow(frameWnd));   // the window stays until the loop ends
    EXPECT_TRUE(pumpMessages());       // the quit message

    writeDword("bFade", 7);
    SendMessageA(frameWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    SetWindowPos(frameWnd, nullptr, 0, 0, 450, 350, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(frameWnd, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(frameWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    for (UINT id : {IDM_FADE, IDM_COPY_ON_SELECT, IDM_FG_COLOR, IDM_OPEN, IDM_EXIT})
        command(id);
    InvalidateRect(frameWnd, nullptr, TRUE);
    UpdateWindow(frameWnd);
    EXPECT_TRUE(viewKeys.empty());
    EXPECT_EQ(0, frameCount);   // the frame was counted down once only
    DWORD stored = 0;
    ASSERT_TRUE(readDword("bFade", &stored));
    EXPECT_EQ(7u, stored);
    EXPECT_FALSE(pumpMessages());

    DestroyWindow(frameWnd);
    EXPECT_TRUE(pumpMessages());
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST_F(FrameWindowTest, ExitWithOtherFramesLeftPostsNoQuit)
{
    openFrame();
    frameCount = 2;
    command(IDM_EXIT);
    EXPECT_EQ(1, frameCount);
    EXPECT_EQ(0, GetWindowLongPtrA(frameWnd, GWLP_USERDATA));
    EXPECT_FALSE(pumpMessages());
    frameCount = 0;
}

TEST_F(FrameWindowTest, ClosingTheFrameQuitsWithoutCountingDown)
{
    openFrame();
    int32_t count = frameCount;
    DestroyWindow(frameWnd);
    EXPECT_TRUE(pumpMessages());
    EXPECT_EQ(count, frameCount);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST_F(FrameWindowTest, NoWindowWithoutItsObject)
{
    // A creation that reaches the class without the object fails.
    HWND bare = CreateWindowExA(0, "NFO_Window", "Tavelin", WS_POPUP, 0, 0, 200, 200, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(nullptr, bare);
    pumpMessages();

    // An exhausted heap gives no object and therefore no window.
    HANDLE small = HeapCreate(HEAP_NO_SERIALIZE, 0, 64 * 1024);
    ASSERT_NE(nullptr, small);
    while (HeapAlloc(small, 0, 256)) {
    }
    while (HeapAlloc(small, 0, 16)) {
    }
    void* saved = processHeap;
    processHeap = small;
    int32_t count = frameCount;
    HWND wnd = createFrameWindow(0, 0, 300, 300, nullptr);
    processHeap = saved;
    HeapDestroy(small);
    EXPECT_EQ(nullptr, wnd);
    EXPECT_EQ(count, frameCount);
    EXPECT_EQ(nullptr, FindWindowA("NFO_Window", nullptr));
}

}  // namespace
