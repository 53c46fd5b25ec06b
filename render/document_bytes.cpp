// A document from a file's bytes in memory (document_bytes.h). Plain C++: no
// file system, so the Explorer handlers can feed it from a stream.
#include "render/document_bytes.h"

#include "document/document_storage.h"
#include "document/text_document.h"

LoadedDocument documentFromBytes(uint8_t* buffer, uint32_t length, EncodingChoice choice, bool prefix,
                                 const char* name, const ArtChoice& art, const SauceRecord* sauce)
{
    LoadedDocument result = {};
    uint32_t decoded = readDocumentText(buffer, length, choice, prefix, &result.reading);
    if (sauce && !result.reading.sauce.present)
        result.reading.sauce = *sauce;

    TextDocument* document = new TextDocument();
    if (!document) {
        freePages(buffer);
        result.error = "not enough memory to load it";
        return result;
    }
    if (document->adoptFileText(buffer, decoded, result.reading, name, art)) {
        delete document;
        result.error = "not enough memory to load it";
        return result;
    }
    result.document = document;
    return result;
}
