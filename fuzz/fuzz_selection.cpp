// Fuzz target for the selection text that the clipboard copy writes: an
// arbitrary document and arbitrary ends in either order. The text must equal a
// model that joins the selected piece of each line with line feeds, the block
// size must follow the clipboard rule (the text and its zero byte, plus the
// rest of the end line over several lines), and writing into a block of
// exactly that size must stay inside it.
#include <fuzzer/FuzzedDataProvider.h>

#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/line_document.h"
#include "tests/support/selection_reference.h"
#include "view/selection_text.h"

namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

std::vector<std::string> documentLines(const std::string& file)
{
    std::vector<std::string> lines;
    if (file.empty())
        return lines;
    lines.push_back(std::string());
    size_t start = 0;
    while (start <= file.size()) {
        size_t end = file.find('\n', start);
        if (end == std::string::npos) {
            if (start < file.size())
                lines.push_back(file.substr(start));
            break;
        }
        lines.push_back(file.substr(start, end - start));
        start = end + 1;
    }
    for (std::string& line : lines)
        std::replace(line.begin(), line.end(), '\0', ' ');
    return lines;
}

int32_t consumeEnd(FuzzedDataProvider& data, int32_t near)
{
    return data.ConsumeIntegralInRange<uint8_t>(0, 15) == 0
        ? data.ConsumeIntegral<int32_t>()
        : data.ConsumeIntegralInRange<int32_t>(-2, near + 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    int32_t anchorLine = consumeEnd(data, 40);
    int32_t anchorColumn = consumeEnd(data, 80);
    int32_t caretLine = consumeEnd(data, 40);
    int32_t caretColumn = consumeEnd(data, 80);
    uint8_t reversed = data.ConsumeBool();
    LineDocument doc(documentLines(data.ConsumeRemainingBytesAsString()));

    SelectionSpan span;
    bool selected = resolveSelection(*doc.document(), anchorLine, anchorColumn, caretLine,
                                     caretColumn, reversed, &span);
    check(span.startLine >= 1 && span.endLine >= span.startLine);
    check(span.startColumn >= 0 && span.endColumn >= 0);

    // Ends far below the document make a block of that many line feeds: check
    // its size, write only blocks of a sensible size.
    SelectionCopy want;
    bool small = std::max<long long>(anchorLine, caretLine) < 100000;
    if (small) {
        want = selectionReference(doc, anchorLine, anchorColumn, caretLine, caretColumn);
        check(selected == !want.empty);
    }
    if (!selected)
        return 0;
    uint64_t blockSize = selectionBlockSize(*doc.document(), span);
    if (!small)
        return 0;
    check(blockSize == want.blockSize);

    std::vector<char> block(blockSize);
    uint64_t length = writeSelectionText(*doc.document(), span, block.data(), blockSize);
    check(length + 1 <= blockSize && block[length] == 0);
    check(std::string(block.data(), length) == want.text);
    return 0;
}
