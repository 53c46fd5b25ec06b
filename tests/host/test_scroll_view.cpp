// The view object's life: what construction sets up, how opening another file
// replaces the document and resets the view, and what destruction gives back.
#include <stdio.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "document/text_document.h"
#include "tests/support/host_document_storage.h"
#include "tests/support/host_view_platform.h"
#include "view/scroll_view.h"

namespace {

std::string writeTempFile(const std::string& bytes)
{
    char path[] = "/tmp/tavelin-view-XXXXXX";
    int descriptor = mkstemp(path);
    EXPECT_GE(descriptor, 0);
    EXPECT_EQ(write(descriptor, bytes.data(), bytes.size()), (ssize_t)bytes.size());
    close(descriptor);
    return path;
}

class ScrollViewLife : public testing::Test {
protected:
    void SetUp() override
    {
        resetHostDocumentStorage();
        hostDocumentStorage.blocksInUse = 0;
    }
};

TEST_F(ScrollViewLife, ConstructionStoresTheSettingsAndStartsAtTheTop)
{
    ScrollView* view = new ScrollView(0x00336699, 0x00808081, 0, 1, nullptr);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->fadeEnabled, 0);
    EXPECT_EQ(view->copyOnSelect, 1);
    EXPECT_EQ(view->foreColor, 0x00336699u);
    EXPECT_EQ(view->inkPixel, 0x00996633u);
    EXPECT_EQ(view->paperPixel, 0x00818080u);
    EXPECT_EQ(view->selInkPixel, 0xFFFFFFFFu);   // light background: white on black
    EXPECT_EQ(view->selPaperPixel, 0x00000000u);
    EXPECT_EQ(view->document, nullptr);
    EXPECT_EQ(view->topLine, 0);
    EXPECT_EQ(view->pixelOffset, 0);
    EXPECT_FALSE(view->autoScrolling || view->hasSelection || view->atTop || view->atBottom);
    delete view;
}

TEST_F(ScrollViewLife, OpeningAFileReplacesTheDocumentResetsTheViewAndRedraws)
{
    std::string first = writeTempFile("one\r\ntwo\r\n");
    std::string second = writeTempFile("A\nB\nC\nD\n");
    ScrollView* view = new ScrollView(0xFFFFFF, 0x404040, 1, 1, new TextDocument(first.c_str()));
    ASSERT_NE(view, nullptr);
    view->width = 200;
    view->height = 100;
    view->rebuildBackBuffer();
    view->topLine = 7;
    view->pixelOffset = -5;
    view->hasSelection = 1;
    view->autoScrolling = 1;
    const int autosizes = hostAutosizeCount;
    const int presents = hostPresentCount;

    view->openDocument(second.c_str());

    ASSERT_NE(view->document, nullptr);
    EXPECT_EQ(view->document->getLineCount(), 5);
    EXPECT_STREQ(view->document->getLine(4), "D");
    EXPECT_EQ(hostAutosizeCount, autosizes + 1);
    EXPECT_EQ(hostPresentCount, presents + 1) << "the new file is drawn at once";
    EXPECT_EQ(view->topLine, 0);
    EXPECT_EQ(view->pixelOffset, 0);
    EXPECT_FALSE(view->hasSelection);
    EXPECT_FALSE(view->autoScrolling);
    EXPECT_EQ(hostDocumentStorage.failureCount, 0);
    // Line 1 of the new file is drawn in row 1: its ink reaches the buffer.
    bool ink = false;
    for (int i = 16 * view->width; i < 32 * view->width; ++i)
        ink |= view->backBuffer[i] == view->inkPixel;
    EXPECT_TRUE(ink);

    view->releaseBackBuffer();
    delete view;
    EXPECT_EQ(hostDocumentStorage.blocksInUse, 0) << "both documents were given back";
    remove(first.c_str());
    remove(second.c_str());
}

TEST_F(ScrollViewLife, OpeningAMissingFileStillReplacesTheDocumentAndFits)
{
    std::string first = writeTempFile("text\n");
    ScrollView* view = new ScrollView(0xFFFFFF, 0x404040, 1, 1, new TextDocument(first.c_str()));
    ASSERT_NE(view, nullptr);
    const int autosizes = hostAutosizeCount;

    view->openDocument("/tmp/tavelin-view-no-such-file");

    EXPECT_EQ(hostDocumentStorage.failureCount, 1);
    ASSERT_NE(view->document, nullptr);
    EXPECT_EQ(view->document->getLineCount(), 0);
    EXPECT_EQ(hostAutosizeCount, autosizes + 1);
    delete view;
    EXPECT_EQ(hostDocumentStorage.blocksInUse, 0);
    remove(first.c_str());
}

}  // namespace
