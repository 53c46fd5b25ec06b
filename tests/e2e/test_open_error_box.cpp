// File/Open of a file that another process holds: the document reports it
// with an ownerless message box, whose message loop goes on delivering the
// view's paints, ticks, keys and mouse moves, and lets the user close the
// frame while the box is up. The real program runs with Wine's exception and
// heap checks on and its log in a file; the log must tell of no exception
// (Wine swallows one raised inside a window procedure) and no heap damage.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/win32_helper_process.h"
#include "tests/support/win32_logged_program.h"
#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"

namespace {

using helperprocess::HelperProcess;
using helperprocess::Role;

const UINT kViewTick = WM_USER + 100;

// Chooses path in the program's Open dialog; returns the box that reports
// the file, or null.
HWND openThroughDialog(const ProgramRun& program, HWND frame, const std::string& path)
{
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0);
    HWND dialog = program.waitForWindow("#32770", "Open");
    if (!dialog) {
        ADD_FAILURE() << "no Open dialog";
        return nullptr;
    }
    HWND edit = GetDlgItem(dialog, edt1);
    if (!edit)
        edit = GetDlgItem(dialog, cmb13);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    HWND box = program.waitForWindow("#32770", "Error");
    EXPECT_NE(nullptr, box) << "no Error box after the Open dialog";
    return box;
}

// What reaches the view while the box is up: a repaint, a tick, a key, a
// left drag and a plain move, each handled before the next is sent.
void stirTheView(HWND view)
{
    auto send = [view](UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(view, message, wParam, lParam, SMTO_NORMAL, 3000, &result);
    };
    InvalidateRect(view, nullptr, FALSE);
    send(WM_PAINT, 0, 0);
    send(kViewTick, 0, 0);
    send(WM_KEYDOWN, VK_DOWN, 1);
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
    send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 90));
    send(WM_LBUTTONUP, 0, MAKELPARAM(40, 90));
    send(WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
    send(kViewTick, 0, 0);
}

// The first lines of a list, enough to tell what went wrong.
std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size() && i < 12; ++i)
        text += lines[i] + "\n";
    return text;
}

class OpenErrorBox : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, getenv("TAVELIN_EXE")) << "TAVELIN_EXE names the program to test";
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        shown = tempPath("tavelin_e2e_shown.nfo");
        held = tempPath("tavelin_e2e_held.nfo");
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += "line " + std::to_string(i) + " \xDB\xDB\xDB\xB0\xB1\xB2\r\n";
        writeFile(shown, text);
        writeFile(held, text);
    }
    void TearDown() override
    {
        DeleteFileA(shown.c_str());
        DeleteFileA(held.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    std::string shown;
    std::string held;
};

TEST_F(OpenErrorBox, ViewMessagesDuringTheBoxAndClosingTheFrameMeanwhileRaiseNothing)
{
    HelperProcess holder(Role::HoldFileExclusively, held);
    ASSERT_TRUE(holder.holds());

    for (bool closeDuringBox : {false, true}) {
        SCOPED_TRACE(closeDuringBox ? "frame closed while the box is up" : "box answered");
        LoggedProgram logged(shown, "+seh,warn+heap,+loaddll");
        ASSERT_NE(0u, logged.processId()) << "the program did not start";
        DWORD code = STILL_ACTIVE;
        {
            ProgramRun program(logged.processId());
            ASSERT_TRUE(program.started());
            HWND frame = program.waitForFrame();
            ASSERT_NE(nullptr, frame);
            HWND view = FindWindowExA(frame, nullptr, "Tavelin", "WinName");
            ASSERT_NE(nullptr, view);
            // A running scroll ticks on by itself while the box is up. Not
            // when the frame is closed: its ticker would keep the view's
            // memory a little longer and hide what is done with it after.
            if (!closeDuringBox)
                PostMessageA(frame, WM_KEYDOWN, VK_SPACE, 1);

            HWND box = openThroughDialog(program, frame, held);
            ASSERT_NE(nullptr, box);
            stirTheView(view);
            ASSERT_TRUE(IsWindow(box)) << "the box is still waiting";

            if (closeDuringBox) {
                PostMessageA(frame, WM_CLOSE, 0, 0);
                EXPECT_TRUE(waitFor([&] { return !IsWindow(frame); }, 5000));
                // The quit message that the view posts may end the box; if
                // not, the user answers it.
                if (!waitFor([&] { return !program.running() || !IsWindow(box); }, 2000))
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
            } else {
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                ASSERT_TRUE(waitFor([&] { return !IsWindow(box); }));
                // The program goes on, with the empty document shown.
                Sleep(300);
                EXPECT_TRUE(program.running());
                EXPECT_TRUE(IsWindow(frame));
                stirTheView(view);
                PostMessageA(frame, WM_CLOSE, 0, 0);
            }
            code = program.waitForExit();
        }
        EXPECT_NE(DWORD(STILL_ACTIVE), code);
        EXPECT_LT(code, 0xC0000000u) << "ended by an exception";
        EXPECT_TRUE(logged.written()) << "Wine's log did not reach the file";
        std::vector<std::string> trouble = logged.trouble();
        EXPECT_TRUE(trouble.empty()) << joined(trouble);
    }
    EXPECT_EQ(0u, holder.release());
}

}  // namespace
