// The random-input driver (see random_input.h).
//
// Every step draws the same six numbers from the seeded generator, whatever
// state the program is in: the first picks an action from the table by its
// weight, four are the action's own choices and the last is the pause after
// it. An action that does not fit the moment (input while a modal dialog
// disables the frame) does nothing, so a replay draws exactly the same steps.
//
// The program runs with Wine's exception trace and heap checks, its log in a
// file. After every batch the input stops: buttons go up, dialogs and menus
// are answered, any scroll is stopped by a left click, the frame gets its
// standard size. Then the checks: every window answers within 2 s, the log
// tells of no exception and no damaged heap, the thread count is back to its
// value before the first step, and windows, GDI objects and private memory
// are within a small bound of what they were after the first batch.
#include "tests/e2e/random_input.h"

#include <dlgs.h>
#include <tlhelp32.h>

#include <memory>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32_gdi_count.h"
#include "tests/support/win32_helper_process.h"
#include "tests/support/win32_logged_program.h"
#include "tests/support/win32_memory_probe.h"
#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"

namespace randominput {

namespace {

const UINT kViewTick = WM_USER + 100;
const int kBatch = 200;
const int kExtraUserObjects = 4;
const int kExtraGdiObjects = 24;   // Wine fills caches of its own for a few hundred steps
const uint64_t kExtraPrivateBytes = 8u << 20;
const char kWineChannels[] = "+seh,warn+heap,+loaddll";
const int COLOR_RED = 706, COLOR_GREEN = 707, COLOR_BLUE = 708;   // the colour dialog's edits

// splitmix64: small, fast, and the same on every machine.
class Generator {
public:
    explicit Generator(uint64_t seed) : state_(seed) {}
    uint32_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return uint32_t((z ^ (z >> 31)) >> 32);
    }

private:
    uint64_t state_;
};

std::string format(const char* pattern, ...)
{
    char text[512];
    va_list args;
    va_start(args, pattern);
    vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// ---------------------------------------------------------------------------
// Counting from outside

struct WindowList {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK addChild(HWND wnd, LPARAM param)
{
    reinterpret_cast<WindowList*>(param)->windows.push_back(wnd);
    return TRUE;
}

BOOL CALLBACK addTopLevel(HWND wnd, LPARAM param)
{
    WindowList* list = reinterpret_cast<WindowList*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner == list->processId) {
        list->windows.push_back(wnd);
        EnumChildWindows(wnd, addChild, param);
    }
    return TRUE;
}

// Every window of the process, top-level and child, shown or not.
std::vector<HWND> windowsOf(DWORD processId)
{
    WindowList list = {processId, {}};
    EnumWindows(addTopLevel, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

// ---------------------------------------------------------------------------
// One run of the program under the checks

// The program on file, started with the default settings.
class Checked {
public:
    explicit Checked(const std::string& file, DWORD frameWait = 10000)
        : logged_(file, kWineChannels, false)
    {
        program_.reset(new ProgramRun(logged_.processId()));
        processId_ = logged_.processId();
        frame_ = processId_ ? program_->waitForWindow("NFO_Window", "Tavelin", frameWait) : nullptr;
        view_ = frame_ ? FindWindowExA(frame_, nullptr, "Tavelin", "WinName") : nullptr;
        process_ = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE,
                               processId_);
    }
    ~Checked()
    {
        program_.reset();
        if (process_)
            CloseHandle(process_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    bool ready() const { return view_ && process_; }
    HWND frame() const { return frame_; }
    HWND view() const { return view_; }
    DWORD processId() const { return processId_; }
    // Real input waits in the program's queue behind posted messages: the
    // next step waits until the program has taken it.
    void waitForInput() const { WaitForInputIdle(process_, 2000); }
    Figures figures() const { return measure(process_, processId_); }

    // Empty while the program runs and the log is clean.
    std::string alive()
    {
        if (!program_->running()) {
            DWORD code = program_->waitForExit(0);
            std::string trouble = logTrouble();
            return format("the program ended, exit code 0x%lX", code) +
                   (trouble.empty() ? "" : "; " + trouble);
        }
        return std::string();
    }

    // Every window of the process answers a message within 2 s.
    std::string answers() const
    {
        for (HWND wnd : windowsOf(processId_)) {
            DWORD_PTR result = 0;
            if (IsWindow(wnd) &&
                !SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) &&
                IsWindow(wnd)) {
                char name[64] = "";
                GetClassNameA(wnd, name, sizeof name);
                return format("window %p (%s) did not answer within 2 s", (void*)wnd, name);
            }
        }
        return std::string();
    }

    // The first line of Wine's log that tells of trouble; empty when none.
    std::string logTrouble() const
    {
        if (!logged_.written())
            return "Wine's log did not reach its file";
        std::vector<std::string> trouble = logged_.trouble();
        return trouble.empty() ? std::string() : "Wine: " + trouble.front();
    }

    // The shown dialogs and popup menus of the program, newest first.
    std::vector<HWND> popups() const
    {
        std::vector<HWND> found;
        for (HWND wnd : windowsOf(processId_)) {
            char name[16] = "";
            GetClassNameA(wnd, name, sizeof name);
            if (GetParent(wnd) == GetWindow(wnd, GW_OWNER) && IsWindowVisible(wnd) &&
                (!strcmp(name, "#32770") || !strcmp(name, "#32768")))
                found.insert(found.begin(), wnd);
        }
        return found;
    }

private:
    LoggedProgram logged_;
    std::unique_ptr<ProgramRun> program_;
    HWND frame_ = nullptr, view_ = nullptr;
    DWORD processId_ = 0;
    HANDLE process_ = nullptr;
};

std::string caption(HWND wnd)
{
    char text[64] = "";
    GetWindowTextA(wnd, text, sizeof text);
    return text;
}

// ---------------------------------------------------------------------------
// Input

void sendKey(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    bool extended = key >= VK_PRIOR && key <= VK_DOWN;
    input.ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &input, sizeof input);
}

void sendMouse(DWORD flags, int x = 0, int y = 0, DWORD data = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    if (flags & MOUSEEVENTF_MOVE) {
        int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        input.mi.dx = LONG((int64_t(x - left) * 65536 + width - 1) / width);
        input.mi.dy = LONG((int64_t(y - top) * 65536 + height - 1) / height);
        flags |= MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    }
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    SendInput(1, &input, sizeof input);
}

const struct Button {
    UINT down, up, dbl;
    WPARAM key;
    DWORD realDown, realUp;
    int vk;
} kButtons[3] = {
    {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, MK_LBUTTON, MOUSEEVENTF_LEFTDOWN,
     MOUSEEVENTF_LEFTUP, VK_LBUTTON},
    {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, MK_MBUTTON, MOUSEEVENTF_MIDDLEDOWN,
     MOUSEEVENTF_MIDDLEUP, VK_MBUTTON},
    {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, MK_RBUTTON, MOUSEEVENTF_RIGHTDOWN,
     MOUSEEVENTF_RIGHTUP, VK_RBUTTON},
};

// The random driver itself.
class Driver {
public:
    Driver(uint64_t seed, Checked& run) : generator_(seed), run_(run)
    {
        shown_ = tempPath("tavelin_random_shown.nfo");
        big_ = tempPath("tavelin_random_big.nfo");
        held_ = tempPath("tavelin_random_held.nfo");
        missing_ = tempPath("tavelin_random_missing.nfo");
        const char* examples = getenv("TAVELIN_EXAMPLES");
        welcome_ = windowsPath(examples ? examples : "") + "\\welcome.nfo";
    }

    // The files that File/Open is answered with; the shown one is also the
    // one the program starts on.
    static void writeFiles()
    {
        std::string text, big;
        for (int i = 0; i < 300; ++i)
            text += format("%03d \xDB\xB2\xB1\xB0 the quick brown fox %*s|\r\n", i, i % 70, "");
        for (int i = 0; i < 20000; ++i)
            big += format("%05d %.*s\r\n", i, i % 60, "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4"
                                                     "\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD"
                                                     "\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0"
                                                     "\xB1\xB1\xB1\xB1\xB1\xB1\xB1\xB1\xB1\xB1"
                                                     "\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2"
                                                     "\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB");
        writeFile(tempPath("tavelin_random_shown.nfo"), text);
        writeFile(tempPath("tavelin_random_big.nfo"), big);
        writeFile(tempPath("tavelin_random_held.nfo"), text);
        DeleteFileA(tempPath("tavelin_random_missing.nfo").c_str());
    }

    // One step; empty when it went well, else what went wrong.
    std::string step();
    // Input stopped, dialogs closed, scrolls ended, standard size.
    std::string settle();
    // Each system dialog once before the first step: the Open dialog starts
    // a thread of the shell's that stays for the rest of the run, and the
    // dialogs fill Wine's caches of icons, brushes and bitmaps.
    std::string warmUp()
    {
        const struct {
            UINT command;
            const char* title;
            uint32_t answer;
        } dialogs[] = {{IDM_OPEN, "Open", 0 + 4 * 2}, {IDM_OPEN, "Open", 0}, {IDM_OPEN, "Open", 3},
                       {IDM_FG_COLOR, "Color", 0x55555501}, {IDM_BG_COLOR, "Color", 0},
                       {IDM_ABOUT, "About...", 0}};
        for (const auto& dialog : dialogs) {
            post(run_.frame(), WM_COMMAND, dialog.command, 0);
            std::string fault = waitForPopup(dialog.title, dialog.answer);
            if (!fault.empty())
                return "before the first step: " + fault;
        }
        return std::string();
    }

    static std::string shownFile() { return tempPath("tavelin_random_shown.nfo"); }

private:
    struct Draw {
        uint32_t a, b, c, d;
    };
    typedef std::string (Driver::*Act)(const Draw&);
    struct Action {
        const char* name;
        int weight;
        Act act;
    };
    static const Action kActions[];

    std::string key(const Draw&);
    std::string wheel(const Draw&);
    std::string mouse(const Draw&);
    std::string doubleClick(const Draw&);
    std::string realKey(const Draw&);
    std::string realMouse(const Draw&);
    std::string command(const Draw&);
    std::string open(const Draw&);
    std::string answer(const Draw&);
    std::string resize(const Draw&);
    std::string minimize(const Draw&);

    // The frame takes input as a user gives it: no modal dialog disables it
    // and no popup menu runs.
    bool frameTakesInput() const
    {
        if (!IsWindowEnabled(run_.frame()))
            return false;
        for (HWND popup : run_.popups()) {
            char name[16] = "";
            GetClassNameA(popup, name, sizeof name);
            if (!strcmp(name, "#32768"))
                return false;
        }
        return true;
    }
    // Its menu besides: a minimized frame shows none, and the dialogs it
    // owns stay hidden while it is minimized.
    bool frameTakesMenuCommands() const { return frameTakesInput() && !IsIconic(run_.frame()); }
    // A point in the view, or around it when `outside`, as client coordinates.
    POINT pointIn(uint32_t r, bool outside) const
    {
        RECT client;
        GetClientRect(run_.view(), &client);
        int w = client.right > 0 ? client.right : 1, h = client.bottom > 0 ? client.bottom : 1;
        POINT p = {int(r % w), int((r >> 16) % h)};
        if (outside) {
            p.x = int(r % (w + 1000)) - 500;
            p.y = int((r >> 16) % (h + 1000)) - 500;
        }
        return p;
    }
    WPARAM postedKeys() const
    {
        WPARAM keys = 0;
        for (int b = 0; b < 3; ++b)
            keys |= postedDown_[b] ? kButtons[b].key : 0;
        return keys;
    }
    void post(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        PostMessageA(wnd, message, wParam, lParam);
    }
    std::string openDialogAnswer(HWND dialog, uint32_t how);
    std::string answerPopup(HWND popup, uint32_t how);
    std::string waitForPopup(const char* title, uint32_t how);

    Generator generator_;
    Checked& run_;
    std::string shown_, big_, held_, missing_, welcome_;
    bool postedDown_[3] = {false, false, false};
    std::unique_ptr<helperprocess::HelperProcess> holder_;
    DWORD holderSince_ = 0;
};

// The table: what a step may do, and how often.
const Driver::Action Driver::kActions[] = {
    {"key", 30, &Driver::key},                  // posted WM_KEYDOWN, SPACE and the scroll keys most
    {"wheel", 8, &Driver::wheel},               // posted WM_MOUSEWHEEL of any delta
    {"mouse", 32, &Driver::mouse},              // posted press, move or release of any button
    {"double-click", 2, &Driver::doubleClick},  // posted WM_LBUTTONDBLCLK
    {"real key", 6, &Driver::realKey},          // SendInput keys, held keys repeating
    {"real mouse", 10, &Driver::realMouse},     // SendInput moves, presses and releases
    {"command", 4, &Driver::command},           // Fade, Copy on Select, colours, About, Copy
    {"open", 1, &Driver::open},                 // File/Open: a file, a missing one, a held one, Cancel
    {"answer", 3, &Driver::answer},             // the newest message box or popup menu answered
    {"resize", 2, &Driver::resize},             // the frame from tiny to huge
    {"minimize", 1, &Driver::minimize},         // minimize or restore
};

std::string Driver::step()
{
    int total = 0;
    for (const Action& action : kActions)
        total += action.weight;
    int pick = int(generator_.next() % unsigned(total));
    Draw draw = {generator_.next(), generator_.next(), generator_.next(), generator_.next()};
    uint32_t pause = generator_.next();
    const Action* chosen = kActions;
    while (pick >= chosen->weight)
        pick -= chosen++->weight;
    static const bool trace = getenv("TAVELIN_RANDOM_TRACE") != nullptr;
    if (trace)
        printf("  %s %08x %08x %08x %08x\n", chosen->name, draw.a, draw.b, draw.c, draw.d);
    std::string fault = (this->*chosen->act)(draw);
    if (!fault.empty())
        return std::string(chosen->name) + ": " + fault;
    // No pause most of the time, a little now and then, a few ticks rarely.
    if (pause % 100 >= 97)
        Sleep(100 + (pause >> 8) % 200);
    else if (pause % 100 >= 85)
        Sleep((pause >> 8) % 20);
    return std::string();
}

std::string Driver::key(const Draw& d)
{
    static const WPARAM common[] = {VK_SPACE, VK_SPACE, VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN};
    WPARAM vk = d.a % 100 < 85 ? common[d.a / 100 % 6] : 1 + d.a / 100 % 254;
    LPARAM repeat = d.b % 4 ? 1 : d.b >> 16;
    LPARAM flags = repeat | (d.c % 3 == 0 ? 1 << 30 : 0);
    if (frameTakesInput())
        post(d.d % 8 ? run_.frame() : run_.view(), d.d % 16 ? WM_KEYDOWN : WM_KEYUP, vk, flags);
    return std::string();
}

std::string Driver::wheel(const Draw& d)
{
    int delta = d.a % 2 ? int(d.a >> 16) % 7 * 120 - 360 : int16_t(d.a >> 16);
    POINT p = pointIn(d.b, false);
    ClientToScreen(run_.view(), &p);
    if (frameTakesInput())
        post(d.c % 4 ? run_.frame() : run_.view(), WM_MOUSEWHEEL,
             MAKEWPARAM(postedKeys(), delta), MAKELPARAM(p.x, p.y));
    return std::string();
}

std::string Driver::mouse(const Draw& d)
{
    const int b = d.a % 3;
    const int what = d.a / 3 % 4;   // press, release, two moves
    POINT p = pointIn(d.b, d.c % 4 == 0);
    if (!frameTakesInput())
        return std::string();
    LPARAM at = MAKELPARAM(p.x, p.y);
    if (what == 0) {
        postedDown_[b] = true;
        post(run_.view(), kButtons[b].down, postedKeys(), at);
    } else if (what == 1) {
        postedDown_[b] = false;
        post(run_.view(), kButtons[b].up, postedKeys(), at);
    } else {
        post(run_.view(), WM_MOUSEMOVE, d.d % 8 ? postedKeys() : d.d >> 8 & 0x13, at);
    }
    return std::string();
}

std::string Driver::doubleClick(const Draw& d)
{
    POINT p = pointIn(d.a, false);
    if (frameTakesInput())
        post(run_.view(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    return std::string();
}

std::string Driver::realKey(const Draw& d)
{
    static const WORD keys[] = {VK_SPACE, VK_SPACE, VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN,
                                VK_HOME, VK_END, VK_LEFT, VK_RIGHT, 'A', '7'};
    if (!frameTakesInput())
        return std::string();
    SetForegroundWindow(run_.frame());
    WORD key = keys[d.a % 12];
    // Held down for a few repeats now and then: the later presses carry the
    // repeat bit.
    for (unsigned i = 0, presses = d.b % 4 ? 1 : 2 + d.b / 4 % 4; i < presses; ++i)
        sendKey(key, false);
    sendKey(key, true);
    run_.waitForInput();
    return std::string();
}

std::string Driver::realMouse(const Draw& d)
{
    if (!frameTakesInput())
        return std::string();
    SetForegroundWindow(run_.frame());
    POINT p = pointIn(d.a, d.b % 5 == 0);
    ClientToScreen(run_.view(), &p);
    sendMouse(MOUSEEVENTF_MOVE, p.x, p.y);
    const Button& button = kButtons[d.c % 3];
    RECT view;
    GetWindowRect(run_.view(), &view);
    bool anyDown = false;
    for (const Button& b : kButtons)
        anyDown |= (GetAsyncKeyState(b.vk) & 0x8000) != 0;
    // Presses only in the view, so that no real click lands on the caption,
    // the menu bar or the close box: a posted release may have taken the
    // capture from a button that is still down.
    switch (d.c / 3 % 4) {
    case 0:
        if (PtInRect(&view, p))
            sendMouse(button.realDown);
        break;
    case 1:
        sendMouse(button.realUp);
        break;
    case 2:
        if (PtInRect(&view, p) && !anyDown && d.d % 4 == 0) {   // a real double-click
            sendMouse(MOUSEEVENTF_LEFTDOWN);
            sendMouse(MOUSEEVENTF_LEFTUP);
            sendMouse(MOUSEEVENTF_LEFTDOWN);
            sendMouse(MOUSEEVENTF_LEFTUP);
        }
        break;
    default:
        if (PtInRect(&view, p))
            sendMouse(MOUSEEVENTF_WHEEL, 0, 0, DWORD(int(d.d % 7) * 120 - 360));
        break;
    }
    run_.waitForInput();
    return std::string();
}

// Waits for the program's dialog with this title and answers it.
std::string Driver::waitForPopup(const char* title, uint32_t how)
{
    HWND dialog = nullptr;
    waitFor([&] {
        for (HWND popup : run_.popups())
            if (caption(popup) == title)
                dialog = popup;
        return dialog != nullptr;
    }, 5000);
    // Real keys still queued behind the posted command may answer a dialog
    // as soon as it opens: then it is gone and the frame takes input again.
    DWORD_PTR result = 0;
    if (!dialog && !(IsWindowEnabled(run_.frame()) &&
                     SendMessageTimeoutA(run_.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)))
        return format("no \"%s\" dialog within 5 s, and the frame is disabled or does not answer",
                      title);
    if (!dialog)
        return std::string();
    return answerPopup(dialog, how);
}

std::string Driver::command(const Draw& d)
{
    static const UINT commands[] = {IDM_FADE, IDM_COPY_ON_SELECT, IDM_FG_COLOR, IDM_BG_COLOR,
                                    IDM_ABOUT, IDM_COPY};
    const UINT id = commands[d.a % 6];
    if (!frameTakesMenuCommands())
        return std::string();
    if (id == IDM_COPY) {   // the context menu's Copy, as the view receives it
        post(run_.view(), WM_COMMAND, IDM_COPY, 0);
        return std::string();
    }
    post(run_.frame(), WM_COMMAND, id, 0);
    if (id == IDM_FG_COLOR || id == IDM_BG_COLOR)
        return waitForPopup("Color", d.b);
    if (id == IDM_ABOUT)
        return waitForPopup("About...", d.b);
    return std::string();
}

std::string Driver::open(const Draw& d)
{
    if (!frameTakesMenuCommands())
        return std::string();
    // Another copy of the test holds the file for 30 s at most; a fresh one
    // takes over in time.
    if (d.a % 4 == 2 && (!holder_ || GetTickCount() - holderSince_ > 20000)) {
        holder_.reset();
        holder_.reset(new helperprocess::HelperProcess(helperprocess::Role::HoldFileExclusively, held_));
        holderSince_ = GetTickCount();
    }
    post(run_.frame(), WM_COMMAND, IDM_OPEN, 0);
    return waitForPopup("Open", d.a);
}

// Answers the Open dialog: a readable file (the shown one, a big one or the
// sample), a missing one, the held one, or Cancel.
std::string Driver::openDialogAnswer(HWND dialog, uint32_t how)
{
    const std::string* readable[] = {&shown_, &big_, &welcome_};
    const std::string* file = nullptr;
    switch (how % 4) {
    case 0: file = readable[how / 4 % 3]; break;
    case 1: file = &missing_; break;
    case 2: file = &held_; break;
    }
    if (file) {
        HWND edit = GetDlgItem(dialog, edt1);
        if (!edit)
            edit = GetDlgItem(dialog, cmb13);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file->c_str()));
    }
    post(dialog, WM_COMMAND, file ? IDOK : IDCANCEL, 0);
    if (waitFor([&] { return !IsWindow(dialog); }, 2000))
        return std::string();
    // The dialog said the file does not exist: that box first, then Cancel.
    const bool closed = waitFor([&] {
        for (HWND popup : run_.popups())
            if (popup != dialog)
                post(popup, WM_COMMAND, IDOK, 0);
        post(dialog, WM_COMMAND, IDCANCEL, 0);
        Sleep(100);
        return !IsWindow(dialog);
    }, 3000);
    return closed ? std::string() : "the Open dialog did not close";
}

std::string Driver::answerPopup(HWND popup, uint32_t how)
{
    char name[16] = "";
    GetClassNameA(popup, name, sizeof name);
    const std::string title = caption(popup);
    if (!strcmp(name, "#32768")) {
        // The popup menu's loop reads the keys of the view's thread: Escape,
        // or down to Copy and Enter.
        if (how % 2) {
            post(run_.view(), WM_KEYDOWN, VK_ESCAPE, 1);
        } else {
            post(run_.view(), WM_KEYDOWN, VK_DOWN, 1);
            post(run_.view(), WM_KEYDOWN, VK_RETURN, 1);
        }
    } else if (title == "Open") {
        return openDialogAnswer(popup, how);
    } else if (title == "Color" && how % 2) {
        for (int id : {COLOR_RED, COLOR_GREEN, COLOR_BLUE}) {
            std::string value = format("%u", (how >>= 8) % 256);
            SendMessageA(GetDlgItem(popup, id), WM_SETTEXT, 0, LPARAM(value.c_str()));
        }
        post(popup, WM_COMMAND, IDOK, 0);
    } else if (title == "Color") {
        post(popup, WM_COMMAND, IDCANCEL, 0);
    } else if (title == "Warning") {
        post(popup, WM_COMMAND, how % 2 ? IDYES : IDNO, 0);
    } else {
        post(popup, WM_COMMAND, IDOK, 0);   // About, Error, Success
    }
    if (!waitFor([&] { return !IsWindow(popup) || !IsWindowVisible(popup); }, 2000))
        return format("the %s \"%s\" did not close within 2 s", name, title.c_str());
    return std::string();
}

std::string Driver::answer(const Draw& d)
{
    std::vector<HWND> popups = run_.popups();
    return popups.empty() ? std::string() : answerPopup(popups.front(), d.a);
}

std::string Driver::resize(const Draw& d)
{
    static const int ranges[][2] = {{0, 60}, {150, 1200}, {1400, 4000}};   // tiny, usual, huge
    auto within = [](const int* range, uint32_t r) { return range[0] + int(r % unsigned(range[1] - range[0])); };
    int w = within(ranges[d.a % 3], d.b), h = within(ranges[d.a / 3 % 3], d.c);
    if (frameTakesMenuCommands())   // no frame to drag while minimized
        SetWindowPos(run_.frame(), nullptr, int(d.d % 200), int(d.d / 200 % 200), w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    return std::string();
}

std::string Driver::minimize(const Draw&)
{
    if (!frameTakesInput())
        return std::string();
    // Carried out before the next step, which may be a menu command.
    const BOOL iconic = IsIconic(run_.frame());
    ShowWindowAsync(run_.frame(), iconic ? SW_RESTORE : SW_MINIMIZE);
    if (!waitFor([&] { return IsIconic(run_.frame()) != iconic; }, 2000))
        return iconic ? "the frame was not restored within 2 s" : "the frame was not minimized within 2 s";
    return std::string();
}

std::string Driver::settle()
{
    for (const Button& b : kButtons)
        if (GetAsyncKeyState(b.vk) & 0x8000)
            sendMouse(b.realUp);
    for (int b = 0; b < 3; ++b)
        postedDown_[b] = false;
    // Answer whatever is up, twice over: a selection's release may open the
    // popup menu, and a held file's box may come after the Open dialog.
    for (int round = 0; round < 3; ++round) {
        for (int guard = 0; guard < 20; ++guard) {
            std::vector<HWND> popups = run_.popups();
            // A release posted in the round before may still be opening its
            // menu on a busy machine: the view is quiet only once none shows
            // for a while.
            if (popups.empty()) {
                Sleep(200);
                popups = run_.popups();
            }
            if (popups.empty())
                break;
            std::string fault = answerPopup(popups.front(), guard);
            if (!fault.empty())
                return fault;
            Sleep(50);
        }
        std::vector<HWND> left = run_.popups();
        if (!left.empty()) {
            char name[16] = "";
            GetClassNameA(left.front(), name, sizeof name);
            return format("%u dialogs or menus keep opening, the newest a %s \"%s\"",
                          unsigned(left.size()), name, caption(left.front()).c_str());
        }
        if (round == 2)
            break;
        post(run_.view(), WM_MBUTTONUP, 0, 0);
        post(run_.view(), WM_RBUTTONUP, 0, 0);
        // A left click stops every automatic scroll.
        post(run_.view(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        post(run_.view(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ShowWindowAsync(run_.frame(), SW_RESTORE);
        SetWindowPos(run_.frame(), nullptr, 100, 100, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
        Sleep(300);
    }
    return std::string();
}

}  // namespace

// ---------------------------------------------------------------------------

Figures measure(HANDLE process, DWORD processId)
{
    Figures f;
    f.threads = threadsOf(processId);
    f.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    if (!f.userObjects)
        f.userObjects = unsigned(windowsOf(processId).size());
    f.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    if (!f.gdiObjects)
        f.gdiObjects = gdiTableCount(process);
    f.privateBytes = memoryprobe::committedPrivateBytes(process);
    return f;
}

std::string describe(const Outcome& o)
{
    auto figures = [](const Figures& f) {
        return format("%d threads, %u windows, %u GDI objects, %.1f MB private", f.threads,
                      f.userObjects, f.gdiObjects, f.privateBytes / 1048576.0);
    };
    return format("seed %llu, %d steps; first batch: ", (unsigned long long)o.seed, o.steps) +
           figures(o.first) + "; last: " + figures(o.last) +
           (o.fault ? "; FAULT at " + o.what : std::string("; no fault"));
}

// Everything that must hold once the input has stopped: compared with the
// thread count before the first step and the figures of the first batch.
static std::string compare(Checked& run, int threadsAtStart, const Figures& first, Figures* now)
{
    std::string fault = run.alive();
    if (fault.empty())
        fault = run.answers();
    if (fault.empty())
        fault = run.logTrouble();
    if (!fault.empty())
        return fault;
    // Tickers end within a tick of the cleared flag.
    waitFor([&] { return (*now = run.figures()).threads <= threadsAtStart; }, 3000);
    if (now->threads != threadsAtStart)
        return format("%d threads, %d before the first step", now->threads, threadsAtStart);
    if (first.privateBytes == 0)
        return std::string();
    if (now->userObjects > first.userObjects + kExtraUserObjects)
        return format("%u windows, %u after the first batch", now->userObjects, first.userObjects);
    if (now->gdiObjects > first.gdiObjects + kExtraGdiObjects)
        return format("%u GDI objects, %u after the first batch", now->gdiObjects, first.gdiObjects);
    if (now->privateBytes > first.privateBytes + kExtraPrivateBytes)
        return format("%.1f MB private memory, %.1f MB after the first batch",
                      now->privateBytes / 1048576.0, first.privateBytes / 1048576.0);
    return std::string();
}

Outcome drive(uint64_t seed, int steps, DWORD deadline)
{
    Outcome outcome;
    outcome.seed = seed;
    Driver::writeFiles();
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    Checked run(windowsPath(Driver::shownFile().c_str()));
    if (!run.ready()) {
        outcome.fault = true;
        outcome.what = "step 0: the program did not start";
        return outcome;
    }
    Driver driver(seed, run);
    // Before the first step: the program idle, its threads counted.
    std::string fault = driver.warmUp();
    Sleep(300);
    Figures now = run.figures();
    const int threadsAtStart = now.threads;
    while (fault.empty() && outcome.steps < steps &&
           !(deadline && int(GetTickCount() - deadline) > 0)) {
        fault = driver.step();
        ++outcome.steps;
        if (fault.empty())
            fault = run.alive();
        if (fault.empty() && (outcome.steps % kBatch == 0 || outcome.steps == steps)) {
            fault = driver.settle();
            if (fault.empty())
                fault = compare(run, threadsAtStart, outcome.first, &now);
            if (outcome.first.privateBytes == 0)
                outcome.first = now;
            outcome.last = now;
        }
    }
    if (!fault.empty()) {
        outcome.fault = true;
        outcome.what = format("step %d: ", outcome.steps) + fault;
    }
    printf("random input: %s\n", describe(outcome).c_str());
    fflush(stdout);
    return outcome;
}

Outcome speedScroll(const std::string& file, int64_t lines, int rounds)
{
    Outcome outcome;
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    Checked run(windowsPath(file.c_str()), 120000);
    if (!run.ready()) {
        outcome.fault = true;
        outcome.what = "the program did not start on " + file;
        return outcome;
    }
    SetWindowPos(run.frame(), nullptr, 20, 20, 1000, 900, SWP_NOZORDER);
    Sleep(500);
    outcome.first = run.figures();
    const int threadsAtStart = outcome.first.threads;
    HWND view = run.view();
    const int pressY = 40;
    // Full speed is the farthest a mouse message can say: 32767 pixels per
    // tick below the press point, 32768 above. Besides the ticker's ten ticks
    // a second the driver sends its own, as fast as the view takes them.
    const int64_t fullSpeed = 32767 - pressY;
    const int64_t minTicks = (lines * 16 - 900) / (fullSpeed + 40) / 2;
    std::string fault;
    for (int way = 0; way < 2 * rounds && fault.empty(); ++way) {
        PostMessageA(view, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, pressY));
        PostMessageA(view, WM_MOUSEMOVE, MK_MBUTTON, MAKELPARAM(100, way % 2 ? -32768 : 32767));
        std::vector<uint32_t> before;
        int64_t ticks = 0;
        for (;;) {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(view, kViewTick, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) {
                fault = "the view did not answer a tick within 2 s";
                break;
            }
            if (++ticks % 16)
                continue;
            int w = 0, h = 0;
            std::vector<uint32_t> picture = captureClient(view, &w, &h);
            if (picture == before) {
                // At the end the ticks move nothing. The screen may also lag
                // behind a busy view for a moment: it is asked again after a
                // pause and more ticks.
                Sleep(200);
                for (int more = 0; more < 32; ++more)
                    SendMessageTimeoutA(view, kViewTick, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
                ticks += 32;
                Sleep(200);
                picture = captureClient(view, &w, &h);
                if (picture == before)
                    break;
            }
            before.swap(picture);
        }
        PostMessageA(view, WM_MBUTTONUP, 0, MAKELPARAM(100, pressY));
        outcome.steps += int(ticks);
        printf("speed scroll: %s, way %d: %lld ticks\n", file.c_str(), way + 1, (long long)ticks);
        fflush(stdout);
        if (fault.empty() && ticks < minTicks)
            fault = format("way %d ended after %lld ticks, %lld at least at full speed", way + 1,
                           (long long)ticks, (long long)minTicks);
        if (fault.empty())
            fault = run.alive();
    }
    Sleep(300);
    if (fault.empty())
        fault = compare(run, threadsAtStart, outcome.first, &outcome.last);
    if (!fault.empty()) {
        outcome.fault = true;
        outcome.what = fault;
    }
    printf("speed scroll: %s\n", describe(outcome).c_str());
    fflush(stdout);
    return outcome;
}

}  // namespace randominput
