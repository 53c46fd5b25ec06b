// A document from bytes already in memory (document_loader.h): the step that
// the renderer's file loader and the Explorer handlers' stream reader share.
#include <string.h>

#include "document/document_storage.h"
#include "document/text_document.h"
#include "render/document_loader.h"

LoadedDocument documentFromBytes(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix)
{
    LoadedDocument result = {};
    uint32_t decoded = (uint32_t)readFileText(buffer + 1, length, choice, prefix, &result.reading);
    // The document wants zero bytes behind its text.
    memset(buffer + 1 + decoded, 0, length - decoded);

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
