// ANSI art in the real program: its first picture, and the picture after the
// keys scroll it, are tavelin-render's view of the same file at the screen's
// scale, pixel for pixel (cells in their own colours, black around them, the
// fade toward black); art that draws past its canvas's bound says so in the
// status bar.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/win32_program_run.h"
#include "tests/support/win32_test_helpers.h"
#include "view/display_scale.h"

namespace {

// 60 rows of 80 columns: every colour pair, bold, blink, reverse, a 24-bit
// background, forward moves and line-drawing glyphs.
std::string colourfulArt()
{
    std::string text;
    for (int row = 0; row < 60; ++row) {
        text += "\x1b[0;" + std::to_string(30 + row % 8) + ";" + std::to_string(40 + (row / 8) % 8) + "m";
        text += row % 3 ? "\x1b[1m" : "\x1b[5;7m";
        text += "\xC4\xC5\xDB\xB1 row " + std::to_string(row) + " \x1b[4C";
        text += "\x1b[48;2;" + std::to_string(row * 4) + ";90;200m\xDF\xDC\xB0\xB2\r\n";
    }
    return text;
}

std::string statusText(HWND frame)
{
    char text[128] = "";
    SendMessageA(FindWindowExA(frame, nullptr, "msctls_statusbar32", nullptr), WM_GETTEXT, sizeof text,
                 reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(AnsiArt, ScreenIsTheRenderersViewOfTheArt)
{
    ASSERT_NE(nullptr, getenv("TAVELIN_RENDER")) << "TAVELIN_RENDER names tavelin-render";
    const std::string unixFile = "/tmp/tavelin_ansi_" + std::to_string(GetCurrentProcessId()) + ".ans";
    const std::string file = windowsPath(unixFile.c_str());
    writeFile(file, colourfulArt());
    ProgramRun program(file);
    HWND frame = program.waitForFrame();
    ASSERT_NE(nullptr, frame);
    HWND view = FindWindowExA(frame, nullptr, "Tavelin", "WinName");
    ASSERT_NE(nullptr, view);
    EXPECT_EQ("SPACE = scroll, DBLCLICK = Autosize, RIGHTCLICK to copy text", statusText(frame));
    HDC screen = GetDC(nullptr);
    const int scale = scaleForDpi(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    // Wholly on the screen, which the picture is read from.
    MoveWindow(frame, 10, 10, 500 * scale, 400 * scale, TRUE);
    RECT client;
    GetClientRect(view, &client);
    const int width = logicalExtent(client.right, scale), height = logicalExtent(client.bottom, scale);
    for (int at : {0, 48}) {
        if (at)
            SendMessageA(view, WM_KEYDOWN, VK_DOWN, 3);
        const std::vector<uint32_t> rendered = renderedView(unixFile, width, height, at, scale);
        ASSERT_FALSE(rendered.empty()) << "no image from the renderer";
        EXPECT_EQ(0u, pixelsUnlikeRendered(view, rendered, width, height, scale))
            << "pixels unlike the renderer's at " << at << ", scale " << scale;
    }
    DeleteFileA(file.c_str());

    writeFile(file, "\x1b[999999999H\x1b[31mfar below\x1b[1;1Hx\x1b[0m");
    ProgramRun cut(file);
    HWND cutFrame = cut.waitForFrame();
    ASSERT_NE(nullptr, cutFrame);
    EXPECT_EQ("This ANSI art draws past the rows it can hold: the rest is not shown", statusText(cutFrame));
    DeleteFileA(file.c_str());
}

}  // namespace
