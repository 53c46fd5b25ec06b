// Reading a handler's stream into a document (stream_document.h). The buffer
// starts at the size the stream states (a hint only: a stream may be longer
// or shorter than it says) and grows by doubling up to the limit; short
// reads are read on from, a failed read fails the whole document.
#include "explorer/stream_document.h"

#include "document/document_storage.h"
#include "document/text_document.h"
#include "render/document_loader.h"

// A preview draws the first 16 MiB of a larger file: a preview host lives long
// and shows thousands of files, no text art comes near this, and the line
// table of a file of nothing but line ends is several times its size.
const uint32_t previewReadLimit = 16u << 20;

namespace {

const uint32_t firstCapacity = 64 * 1024;

// A stream that cannot tell its size starts at firstCapacity, never past the cap.
uint32_t statedSize(IStream* stream, uint32_t cap)
{
    STATSTG stat = {};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)))
        return firstCapacity < cap ? firstCapacity : cap;
    return stat.cbSize.QuadPart < cap ? (uint32_t)stat.cbSize.QuadPart : cap;
}

// A block for `capacity` bytes of text with the document's padding, holding
// the `kept` bytes of `old` (which is given back).
uint8_t* regrow(uint8_t* old, uint32_t kept, uint32_t capacity)
{
    uint8_t* block = (uint8_t*)allocatePages((size_t)capacity + textPadding);
    if (block && old)
        CopyMemory(block + 1, old + 1, kept);
    freePages(old);
    return block;
}

}  // namespace

// The DLL opens no file by name, and a box in a hidden preview host would
// hang it: the viewer's message box is not linked in (see
// scripts/check-explorer-image.sh).
void reportLoadFailure(const char*) {}

HRESULT readStreamDocument(IStream* stream, uint32_t limit, TextDocument** document)
{
    *document = nullptr;
    if (!stream)
        return E_INVALIDARG;
    // One byte past the limit tells a longer file from one of exactly the limit.
    const uint32_t cap = limit + 1;
    uint32_t capacity = statedSize(stream, cap);
    if (capacity < cap)
        ++capacity;     // room to find the stated end really is the end
    uint8_t* buffer = regrow(nullptr, 0, capacity);
    uint32_t length = 0;
    for (;;) {
        if (!buffer)
            return E_OUTOFMEMORY;
        if (length == capacity) {
            if (capacity == cap)
                break;
            capacity = capacity > cap / 2 ? cap : capacity * 2;
            buffer = regrow(buffer, length, capacity);
            continue;
        }
        ULONG got = 0;
        HRESULT result = stream->Read(buffer + 1 + length, capacity - length, &got);
        if (FAILED(result)) {
            freePages(buffer);
            return result;
        }
        if (got > capacity - length)
            got = capacity - length;    // a stream that claims more than it was asked for
        length += got;
        if (got == 0)
            break;
    }
    bool prefix = length > limit;
    if (prefix) {
        buffer[1 + limit] = 0;
        length = limit;
    }
    LoadedDocument loaded = documentFromBytes(buffer, length, EncodingChoice::automatic, prefix);
    if (!loaded.document)
        return E_OUTOFMEMORY;
    *document = loaded.document;
    return S_OK;
}
