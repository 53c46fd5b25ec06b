// A straightforward model of what the clipboard copy of a selection produces,
// for the tests and the fuzz target to compare the view's selection text with.
//
// The ends are ordered by position, each column is cut to its line, and line 0
// stands for the start of line 1; the pieces of lines start..end are joined by
// line feeds. The block holds the text, its zero byte and, over several lines,
// the rest of the end line.
#pragma once

#include <stdint.h>

#include <algorithm>
#include <string>

#include "tests/support/line_document.h"

struct SelectionCopy {
    bool empty;
    std::string text;
    uint64_t blockSize;
};

inline SelectionCopy selectionReference(const LineDocument& doc, int32_t anchorLine,
                                        int32_t anchorColumn, int32_t caretLine,
                                        int32_t caretColumn)
{
    long long a[2] = { std::max(anchorLine, 0), std::max(anchorColumn, 0) };
    long long c[2] = { std::max(caretLine, 0), std::max(caretColumn, 0) };
    bool caretFirst = c[0] < a[0] || (c[0] == a[0] && c[1] < a[1]);
    long long* s = caretFirst ? c : a;
    long long* t = caretFirst ? a : c;
    long long sc = std::min<long long>(s[1], doc.line(s[0]).size());
    long long ec = std::min<long long>(t[1], doc.line(t[0]).size());
    long long sl = s[0] == 0 ? 1 : s[0];
    long long el = t[0] == 0 ? 1 : t[0];
    SelectionCopy out{ sl == el && sc == ec, "", 0 };
    if (out.empty)
        return out;
    for (long long line = sl; line <= el; ++line) {
        std::string text = doc.line(line);
        size_t from = line == sl ? (size_t)sc : 0;
        size_t to = line == el ? (size_t)ec : text.size();
        out.text += text.substr(from, to - from);
        if (line < el)
            out.text += '\n';
    }
    out.blockSize = out.text.size() + 1 + (sl == el ? 0 : doc.line(el).size() - ec);
    return out;
}
