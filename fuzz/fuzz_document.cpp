// Fuzz target: any bytes, written to a file and loaded as a TextDocument
// through the native stand-in, must give a sound document of the text that
// reading the bytes gives (see tests/support/document_invariants.h), or a
// sound canvas when the bytes read as ANSI art, no message, and every page
// back.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "document/art_format.h"
#include "document/text_document.h"
#include "document/text_reading.h"
#include "tests/support/document_invariants.h"
#include "tests/support/host_document_storage.h"

static const char* inputPath()
{
    static char path[64];
    if (!path[0]) {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        snprintf(path, sizeof path, "%s/tavelin-fuzz-%d.nfo", folder, (int)getpid());
    }
    return path;
}

static void fail(const char* what)
{
    fprintf(stderr, "fuzz_document: %s\n", what);
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* file = fopen(inputPath(), "wb");
    if (!file)
        fail("cannot write the input file");
    if (size && fwrite(data, 1, size, file) != size)
        fail("cannot write the input file");
    fclose(file);

    resetHostDocumentStorage();
    TextDocument* document = new TextDocument(inputPath());
    if (hostDocumentStorage.failureCount != 0)
        fail(hostDocumentStorage.lastFailure);
    std::vector<uint8_t> text(data, data + size);
    TextReading reading = {};
    size_t length = readFileText(text.data(), text.size(), EncodingChoice::automatic, false, &reading);
    if (!document->canvas != !readsAsAnsi(text.data(), length, reading.sauce, inputPath(), ArtFormat::automatic))
        fail("read as ANSI art or not against the file's signs");
    if (const char* fault = findDocumentFault(*document, text.data(), (uint32_t)length))
        fail(fault);
    delete document;
    if (hostDocumentStorage.blocksInUse != 0)
        fail("page blocks not given back");
    return 0;
}
