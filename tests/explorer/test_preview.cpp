// The preview handler as a preview host calls it. Faults caught: a pane that
// is not the viewer's picture (colours, fade, margin, scroll rule), keys,
// wheel or drag that scroll by other amounts, a window or buffer, GDI object,
// document or module that Unload does not give back, and a hostile stream
// that reads without bound or takes the host down.
#include <gtest/gtest.h>
#include <shobjidl.h>

#include "tests/explorer/explorer_host.h"
#include "tests/support/win32_gdi_count.h"
#include "tests/support/win32_memory_probe.h"
#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"

namespace {

void pump()
{
    MSG message;
    for (int i = 0; i < 4; ++i, Sleep(10))
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
}

// The window a preview host gives the handler: a pane on the screen.
class Host {
public:
    Host(int width, int height)
        : window_(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 60, 60, width, height,
                                  nullptr, nullptr, nullptr, nullptr)),
          rect_{0, 0, width, height}
    {
    }
    ~Host() { DestroyWindow(window_); }
    HWND window() const { return window_; }

    // A handler for the stream, shown in the pane (the stream's reference is taken).
    IPreviewHandler* show(const RegisteredServer& server, IStream* stream, HRESULT* shown)
    {
        IInitializeWithStream* init = (IInitializeWithStream*)server.create(IID_IInitializeWithStream);
        IPreviewHandler* handler = nullptr;
        if (!init || FAILED(init->QueryInterface(IID_IPreviewHandler, (void**)&handler))) {
            ADD_FAILURE() << "no preview handler";
            return nullptr;
        }
        *shown = init->Initialize(stream, STGM_READ);
        stream->Release();
        init->Release();
        handler->SetWindow(window_, &rect_);
        HRESULT previewed = handler->DoPreview();
        *shown = SUCCEEDED(*shown) ? previewed : *shown;
        pump();
        return handler;
    }

private:
    HWND window_;
    RECT rect_;
};

BOOL CALLBACK countWindow(HWND, LPARAM count)
{
    return ++*(unsigned*)count, TRUE;
}

// The windows of this thread: the top-level ones and the host's children.
unsigned windowsOf(HWND host)
{
    unsigned count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, (LPARAM)&count);
    for (HWND child = GetWindow(host, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

// Shows the case's file in a pane of the case's size, scrolls it step by
// step and compares the screen with the renderer's picture after each step.
void expectPaneMatchesTheRenderer(const char* kind)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    auto cases = readCases(kind);   // input width height step expected
    ASSERT_EQ(7u, cases.size());
    RegisteredServer server(previewKind);
    Host host(atoi(cases[0][1].c_str()), atoi(cases[0][2].c_str()));
    HRESULT shown = E_FAIL;
    IPreviewHandler* handler = host.show(server, fileStream(casePath(cases[0][0])), &shown);
    ASSERT_EQ(S_OK, shown);
    HWND pane = GetWindow(host.window(), GW_CHILD);
    ASSERT_TRUE(pane);
    for (const auto& c : cases) {
        if (c[3] == "down3")
            SendMessageW(pane, WM_KEYDOWN, VK_DOWN, 3);
        else if (c[3] == "wheel2")
            SendMessageW(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-240), 0);
        else if (c[3] == "touchpad1")
            for (int i = 0; i < 12; ++i)
                SendMessageW(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-10), 0);
        else if (c[3] == "pagedown")
            SendMessageW(pane, WM_KEYDOWN, VK_NEXT, 1);
        else if (c[3] == "drag40") {
            SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 200));
            SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 160));
            SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(100, 160));
        } else if (c[3] == "lower") {
            RECT lower = {0, 0, atoi(c[1].c_str()), atoi(c[2].c_str())};
            handler->SetRect(&lower);
        }
        Picture expected = readPpm(casePath(c[4])), screen;
        bool same = waitFor([&] {
            pump();
            screen.pixels = captureClient(pane, &screen.width, &screen.height);
            return differingPixels(expected, screen) == 0;
        }, 3000);
        EXPECT_TRUE(same) << c[3] << ": " << differingPixels(expected, screen) << " pixels differ";
    }
    EXPECT_EQ(S_OK, handler->Unload());
    EXPECT_FALSE(IsWindow(pane));
    handler->Release();
}

}  // namespace

TEST(Preview, ThePaneIsTheRenderersViewAfterEveryKindOfScroll)
{
    expectPaneMatchesTheRenderer("view");
}

// run.sh runs this one alone with the prefix at 192 DPI.
TEST(Preview, AtTwiceTheDpiThePaneIsTheRenderersViewAtScaleTwo)
{
    if (!getenv("TAVELIN_EXPLORER_DPI"))
        GTEST_SKIP() << "needs the prefix at 192 DPI (tests/explorer/run.sh)";
    expectPaneMatchesTheRenderer("view2");
}

TEST(Preview, AThousandRoundsOfLoadAndUnloadGiveEverythingBack)
{
    Host host(320, 240);
    const std::string path = casePath("random3.nfo");
    auto round = [&] {
        RegisteredServer server(previewKind);
        HRESULT shown = E_FAIL;
        IPreviewHandler* handler = host.show(server, memoryStream(path), &shown);
        EXPECT_EQ(S_OK, shown);
        handler->SetFocus();
        handler->Unload();
        handler->Release();
        EXPECT_TRUE(server.unload());
    };
    for (int i = 0; i < 20; ++i)
        round();
    const unsigned windows = windowsOf(host.window()), gdi = gdiTableCount(GetCurrentProcess());
    const uint64_t memory = memoryprobe::committedPrivateBytes();
    for (int i = 0; i < 1000 && !testing::Test::HasFailure(); ++i)
        round();
    EXPECT_EQ(windows, windowsOf(host.window()));
    EXPECT_LE(gdiTableCount(GetCurrentProcess()), gdi);
    EXPECT_LE(memoryprobe::committedPrivateBytes(), memory + (2 << 20));
}

TEST(Preview, HostileStreamsGiveAClearErrorOrABoundedPreview)
{
    RegisteredServer server(previewKind);
    Host host(320, 240);
    const std::string art = "\xDB\xB1\xB0\xB2 NFO \xC4\xCD\r\n";
    HRESULT shown = E_FAIL;
    IPreviewHandler* failing = host.show(server, new TestStream(art, 90000, 4000, 30000, 90000), &shown);
    EXPECT_EQ(STG_E_READFAULT, shown);
    EXPECT_FALSE(GetWindow(host.window(), GW_CHILD));
    failing->Release();

    const uint64_t memory = memoryprobe::committedPrivateBytes();
    TestStream* huge = new TestStream(art, 2ull << 30, 1 << 20, ~0ull, 2ull << 30);
    huge->AddRef();
    IPreviewHandler* handler = host.show(server, huge, &shown);
    EXPECT_EQ(S_OK, shown);
    EXPECT_LE(huge->handedOut(), (16u << 20) + 1);
    handler->Unload();
    handler->Release();
    huge->Release();
    EXPECT_LE(memoryprobe::committedPrivateBytes(), memory + (2 << 20));
}
