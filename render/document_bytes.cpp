// A document from a file's bytes in memory (document_bytes.h). Plain C++: no
// file system, so the Explorer handlers can feed it from a stream.
#include "render/document_bytes.h"

#include "document/document_storage.h"
#include "document/text_document.h"

LoadedDocument documentFromBytes(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix)
{
    LoadedDocument result = {};
    uint32_t decoded = readDocumentText(buffer, length, choice, prefix, &result.reading);

    TextDocument* document = new TextDocument();
    if (!document) {
        freePages(buffer);
        result.error = "not enough memory to load it";
        return result;
    }
    if (document->adoptText(buffer, decoded)) {
        delete document;
        result.error = "not enough memory to load it";
        return result;
    }
    result.document = document;
    return result;
}
