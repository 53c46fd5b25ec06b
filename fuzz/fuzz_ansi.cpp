// Fuzz target: any bytes read as ANSI art at the width (up to 5000, past the
// cap), iCE and cell width that the first three bytes pick: no access outside
// the canvas (sanitizers), a sound canvas of that layout
// (document_invariants.h) within 64 MB, every page given back, and the same
// cells as the general step alone draws.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "document/ansi_reader.h"
#include "document/art_format.h"
#include "document/document_storage.h"
#include "document/text_document.h"
#include "tests/support/document_invariants.h"
#include "tests/support/host_document_storage.h"

static void check(bool sound, const char* what)
{
    if (!sound) {
        fprintf(stderr, "fuzz_ansi: %s\n", what);
        abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const int32_t columns = (data[0] | data[1] << 8) % 5000 + 1;
    const ArtChoice choice = { ArtFormat::ansi, columns, (int8_t)(data[2] & 1 ? 1 : -1), (uint8_t)(data[2] & 2 ? 9 : 8) };
    resetHostDocumentStorage();
    TextDocument* document = new TextDocument();
    uint8_t* buffer = (uint8_t*)allocatePages(size + 2);
    memcpy(buffer + 1, data + 3, size - 3);
    check(!document->adoptFileText(buffer, (uint32_t)size - 3, TextReading(), nullptr, choice), "not read");
    check(document->canvas && document->canvas->getWidth() == (columns < 4096 ? columns : 4096) &&
              document->canvas->columnsCut == (columns > 4096) && document->getCellWidth() == choice.cellWidth,
          "the canvas is not laid out as asked");
    const char* fault = findDocumentFault(*document, nullptr, 0);
    check(!fault, fault);
    check(hostDocumentStorage.peakBytes <= (64u << 20), "more than 64 MB");
    const AnsiLayout layout = ansiLayout(TextReading().sauce, choice);
    AnsiCanvas* reference = readAnsiArt(data + 3, size - 3, layout, nullptr, false);
    check(reference && !findCanvasDifference(*document->canvas, *reference), "the quick steps draw otherwise");
    delete reference;
    delete document;
    check(hostDocumentStorage.blocksInUse == 0, "page blocks not given back");
    return 0;
}
