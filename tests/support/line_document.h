// A TextDocument assembled in memory from a list of lines, for tests and fuzz
// targets of the view that need a document but no file.
//
// The lines are laid out as the document lays out a file: zero-terminated, one
// after another in one buffer, with a table pointing at each. The object's
// constructor (which loads a file) never runs, so the holder owns everything
// and the document must never be deleted; take it out of a view before the view
// is deleted. The program's own code reads only its fields; the fields are
// filled here without the sanitizer's dynamic-type check, which an object that
// was never constructed would fail.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "document/text_document.h"

// The lines of a fuzz input as a loaded document has them: an empty line 0
// in front, then the text split at line feeds and zero bytes.
inline std::vector<std::string> linesOfBytes(const uint8_t* text, size_t length)
{
    std::vector<std::string> lines(1, "");
    std::string line;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n' || text[i] == 0) {
            lines.push_back(line);
            line.clear();
        } else {
            line += (char)text[i];
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

class LineDocument {
public:
    // lines[0] becomes line 0; callers pass "" there as a loaded file has it.
    // No line may hold a zero byte.
    explicit LineDocument(const std::vector<std::string>& lines) : lines_(lines)
    {
        for (const std::string& line : lines_) {
            offsets_.push_back(text_.size());
            text_.insert(text_.end(), line.begin(), line.end());
            text_.push_back(0);
        }
        text_.push_back(0);
        for (size_t offset : offsets_)
            table_.push_back(text_.data() + offset);
        memset(storage_, 0, sizeof storage_);
        fill(document(), (uint8_t*)text_.data(), (uint32_t)text_.size(), (int32_t)lines_.size(),
             table_.empty() ? nullptr : table_.data());
    }

    LineDocument(const LineDocument&) = delete;
    LineDocument& operator=(const LineDocument&) = delete;

    TextDocument* document() { return reinterpret_cast<TextDocument*>(storage_); }
    const std::vector<std::string>& lines() const { return lines_; }

    // The line as the document hands it out: empty outside the table.
    std::string line(long long index) const
    {
        return index >= 0 && index < (long long)lines_.size() ? lines_[(size_t)index] : std::string();
    }

private:
    __attribute__((no_sanitize("vptr"))) static void fill(TextDocument* document, uint8_t* text,
                                                          uint32_t length, int32_t count,
                                                          char** table)
    {
        document->textBuffer = text;
        document->textLength = length;
        document->lineCount = count;
        document->lineTable = table;
    }

    std::vector<std::string> lines_;
    std::vector<char> text_;
    std::vector<size_t> offsets_;
    std::vector<char*> table_;
    alignas(TextDocument) unsigned char storage_[sizeof(TextDocument)];
};
