// Reading a handler's stream, called directly with a bound lower than the
// DLL's. Fault caught: a stream whose Stat fails read past the bound.
#include <gtest/gtest.h>

#include "document/text_document.h"
#include "explorer/stream_document.h"
#include "tests/explorer/explorer_host.h"

TEST(StreamDocument, AStreamThatCannotTellItsSizeIsReadNoFurtherThanTheBound)
{
    TestStream* stream = new TestStream("ANSI art\r\n", 50000, 50000, ~0ull, TestStream::noStatedSize);
    TextDocument* document = nullptr;
    EXPECT_EQ(S_OK, readStreamDocument(stream, 100, &document));
    EXPECT_LE(stream->handedOut(), 101u);
    EXPECT_EQ(11, document ? document->getLineCount() : 0);    // the empty line 0 and 10 of the 100 bytes
    delete document;
    stream->Release();
}
