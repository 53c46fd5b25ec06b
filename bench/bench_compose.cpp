// Composing a full 1920x1080 frame of dense box-drawing text with the edge fade
// on, against the least any frame costs: filling the back buffer and copying it
// to the screen image. The compose benchmark's counter "x_fill_copy" is its
// time as a multiple of that baseline.
//
// One auto-scroll tick as the view does it, scrollByPixels(1): the position
// moves one pixel and the frame is composed, faded and handed to present,
// which the native stand-in only counts. Its counter "x_fill_copy" is against
// the same baseline; the tick with the real presentation is measured under
// Wine (bench/win32).
//
// Both again at scale 2, as on a 192-DPI screen: the same 1920x1080 screen
// image, composed as 960x540 logical pixels and drawn in 2x2 blocks, against
// the same baseline of the screen-sized buffers.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_dense_text.h"
#include "bench/bench_summary.h"
#include "tests/support/line_document.h"
#include "view/scroll_view.h"

namespace {

const int32_t frameWidth = 1920;
const int32_t frameHeight = 1080;

// Line 0 and count lines of the dense text (bench/bench_dense_text.h).
std::vector<std::string> denseBoxText(int count = 200)
{
    std::vector<std::string> lines(1, "");
    uint32_t state = densetext::seed;
    for (int line = 0; line < count; ++line)
        lines.push_back(densetext::nextLine(state));
    return lines;
}

struct Frame {
    explicit Frame(int32_t scale = 1) : view(new ScrollView(0x00FFFFFF, 0x00404040, 1, 1, nullptr))
    {
        view->scale = scale;
        view->deviceWidth = frameWidth;
        view->deviceHeight = frameHeight;
        view->width = frameWidth / scale;
        view->height = frameHeight / scale;
        view->rebuildBackBuffer();
    }
    ~Frame()
    {
        view->document = nullptr;
        view->releaseBackBuffer();
        delete view;
    }
    ScrollView* view;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds per iteration of the latest baseline run, for the ratio.
double fillCopySeconds = 0;

void BM_FillAndCopy(benchmark::State& state)
{
    Frame frame;
    Pixel* back = frame.view->backBuffer;
    Pixel* screen = frame.view->screenBits;
    const size_t pixels = (size_t)frameWidth * frameHeight;
    Pixel paper = frame.view->paperPixel;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::fill_n(back, pixels, paper);
        memcpy(screen, back, pixels * sizeof(Pixel));
        benchmark::DoNotOptimize(screen);
        benchmark::ClobberMemory();
    }
    fillCopySeconds = secondsSince(start) / (double)state.iterations();
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)pixels * 4);
}

// A frame benchmark's bytes, its time as a multiple of the baseline (counter
// "x_fill_copy") and the same figure in the summary, as `what`.
void reportAgainstFillCopy(benchmark::State& state, std::chrono::steady_clock::time_point start,
                           const char* what)
{
    const double seconds = secondsSince(start) / (double)state.iterations();
    state.SetBytesProcessed((int64_t)state.iterations() * frameWidth * frameHeight * 4);
    if (fillCopySeconds > 0) {
        state.counters["x_fill_copy"] = seconds / fillCopySeconds;
        summary::record(what, seconds / fillCopySeconds, "fill + copy");
    }
}

void BM_ComposeFrame(benchmark::State& state)
{
    const int32_t scale = (int32_t)state.range(0);
    Frame frame(scale);
    LineDocument document(denseBoxText());
    frame.view->document = document.document();
    frame.view->topLine = 3;
    frame.view->pixelOffset = -5;
    // A selection over a few lines, as while the user drags one.
    frame.view->hasSelection = 1;
    frame.view->anchorLine = 10;
    frame.view->anchorColumn = 20;
    frame.view->caretLine = 14;
    frame.view->caretColumn = 90;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frame.view->composeFrame();
        benchmark::DoNotOptimize(frame.view->screenBits);
        benchmark::ClobberMemory();
    }
    reportAgainstFillCopy(state, start, scale == 1 ? "compose 1920x1080 with fade"
                                                   : "compose 1920x1080 with fade at scale 2");
}

void BM_ScrollTick(benchmark::State& state)
{
    const int32_t scale = (int32_t)state.range(0);
    Frame frame(scale);
    // Long enough that the view meets the end only now and then; it then
    // starts again from the top, outside the tick's own work.
    LineDocument document(denseBoxText(4000));
    frame.view->document = document.document();
    frame.view->scrollByPixels(0);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frame.view->scrollByPixels(1);
        if (frame.view->atBottom) {
            frame.view->topLine = 0;
            frame.view->pixelOffset = 0;
            frame.view->atBottom = 0;
        }
        benchmark::DoNotOptimize(frame.view->screenBits);
        benchmark::ClobberMemory();
    }
    reportAgainstFillCopy(state, start, scale == 1 ? "auto-scroll tick 1920x1080, no present"
                                                   : "auto-scroll tick 1920x1080 at scale 2, no present");
}

}  // namespace

BENCHMARK(BM_FillAndCopy)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ComposeFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ScrollTick)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
