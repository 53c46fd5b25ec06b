// Fuzz target for the view's scroll position and hit tests: an arbitrary
// document and view height, then a sequence of scrolls, resizes and points.
// After every scroll the position must equal a model that keeps it as one
// number P (the document y at the top edge), a frame must have been composed
// exactly when the scroll did not return early, and the hit tests must give
// non-negative answers that grow with y and never exceed the tab-free column.
#include <fuzzer/FuzzedDataProvider.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/support/host_view_platform.h"
#include "tests/support/line_document.h"
#include "tests/support/scroll_reference.h"
#include "view/scroll_view.h"

namespace {

bool matches(const ScrollReference& model, const ScrollView& v)
{
    return v.atTop == model.atTop && v.atBottom == model.atBottom &&
           v.topLine == model.topLine() && v.pixelOffset == model.pixelOffset();
}

void check(bool condition)
{
    if (!condition)
        abort();
}

std::vector<std::string> documentLines(FuzzedDataProvider& data)
{
    int count = data.ConsumeIntegralInRange<int>(0, 5000);
    std::vector<std::string> pool;
    int kinds = data.ConsumeIntegralInRange<int>(1, 6);
    for (int i = 0; i < kinds; ++i) {
        std::string line = data.ConsumeRandomLengthString(40);
        for (char& c : line)
            if (c == 0)
                c = '\t';
        pool.push_back(line);
    }
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(i == 0 ? std::string() : pool[(size_t)i % pool.size()]);
    return lines;
}

int32_t tabFreeColumn(int32_t x)
{
    int64_t s = ((int64_t)x - 6) / 8;
    return s < 0 ? 0 : (int32_t)s;
}

void checkHitTests(ScrollView& view, FuzzedDataProvider& data)
{
    int32_t y = data.ConsumeIntegral<int32_t>();
    int32_t line = view.lineAtY(y);
    check(line >= 0);
    if (y < INT32_MAX)
        check(view.lineAtY(y + 1) >= line);
    int32_t x = data.ConsumeIntegral<int32_t>();
    int32_t column = view.columnAtX(x, line);
    check(column >= 0 && column <= tabFreeColumn(x));
    int32_t anyLine = data.ConsumeIntegral<int32_t>();
    column = view.columnAtX(x, anyLine);
    check(column >= 0 && column <= tabFreeColumn(x));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    LineDocument doc(documentLines(data));
    int count = (int)doc.lines().size();
    ScrollView* view = new ScrollView(0x00FFFFFF, 0x00404040, data.ConsumeBool(), 1, doc.document());
    view->width = data.ConsumeIntegralInRange<int>(0, 40);
    view->height = data.ConsumeIntegralInRange<int>(0, 1200);
    view->rebuildBackBuffer();

    ScrollReference model;
    for (int step = 0; step < 400 && data.remaining_bytes() > 0; ++step) {
        switch (data.ConsumeIntegralInRange<int>(0, 4)) {
        case 0:
        case 1: {
            int32_t delta = data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(-40, 40)
                                               : data.ConsumeIntegral<int32_t>();
            bool composes = model.scroll(delta, count, view->height);
            int before = hostPresentCount;
            view->scrollByPixels(delta);
            check(hostPresentCount - before == (composes ? 1 : 0));
            check(matches(model, *view));
            check(view->topLine >= 0);
            check(view->pixelOffset == 0 ? view->atTop && view->topLine == 0
                                         : view->pixelOffset >= -16 && view->pixelOffset <= -1);
            break;
        }
        case 2:
            view->releaseBackBuffer();
            view->height = data.ConsumeIntegralInRange<int>(0, 1200);
            view->rebuildBackBuffer();
            break;
        default:
            checkHitTests(*view, data);
            break;
        }
    }

    view->releaseBackBuffer();
    view->document = nullptr;   // the holder owns it
    delete view;
    return 0;
}
