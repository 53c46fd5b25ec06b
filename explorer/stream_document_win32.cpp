// Reading a handler's stream into a document (stream_document.h). The buffer
// starts at the size the stream states (a hint only: a stream may be longer
// or shorter than it says) and grows by doubling up to the limit; short
// reads are read on from, a failed read fails the whole document. The name
// the stream states tells a .ans file; the SAUCE record at the end of a
// stream longer than the limit gives its art's layout.
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

// The extension of the name a stream states, in UTF-8 as the reading of
// names wants it (an extension too long for `out` is none it looks for).
void nameExtension(const wchar_t* name, char (&out)[16])
{
    out[0] = 0;
    const wchar_t* dot = nullptr;
    for (const wchar_t* at = name; at && *at; ++at)
        dot = *at == L'.' ? at : dot;
    if (dot && !WideCharToMultiByte(CP_UTF8, 0, dot, -1, out, sizeof out, nullptr, nullptr))
        out[0] = 0;
}

// The size the stream states and the extension of its name. A stream that
// cannot tell its size starts at firstCapacity, never past the cap.
uint32_t statedSize(IStream* stream, uint32_t cap, char (&extension)[16])
{
    STATSTG stat = {};
    extension[0] = 0;
    if (FAILED(stream->Stat(&stat, STATFLAG_DEFAULT)))
        return firstCapacity < cap ? firstCapacity : cap;
    nameExtension(stat.pwcsName, extension);
    CoTaskMemFree(stat.pwcsName);
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

// The SAUCE record in the last 128 bytes of the stream, which a read of its
// start leaves out; none when the stream cannot seek there.
SauceRecord endRecord(IStream* stream)
{
    uint8_t record[128];
    LARGE_INTEGER back;
    back.QuadPart = -(LONGLONG)sizeof record;
    if (FAILED(stream->Seek(back, STREAM_SEEK_END, nullptr)))
        return SauceRecord();
    ULONG length = 0;
    while (length < sizeof record) {
        ULONG got = 0;
        if (FAILED(stream->Read(record + length, sizeof record - length, &got)) || got == 0)
            return SauceRecord();
        length += got < sizeof record - length ? got : sizeof record - length;
    }
    return readSauceRecord(record);
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
    char extension[16];
    uint32_t capacity = statedSize(stream, cap, extension);
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
    SauceRecord sauce = {};
    if (prefix) {
        buffer[1 + limit] = 0;
        length = limit;
        sauce = endRecord(stream);
    }
    LoadedDocument loaded = documentFromBytes(buffer, length, EncodingChoice::automatic, prefix, extension,
                                              ArtChoice(), &sauce);
    if (!loaded.document)
        return E_OUTOFMEMORY;
    *document = loaded.document;
    return S_OK;
}
