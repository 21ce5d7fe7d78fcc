#pragma once
// The text of the index file KIV_Lib.cfg: reading its records byte by byte, and writing one record's line.
// The reader works on views into the text, so a huge line costs no copy.
#include "library/SoundRecord.h"

#include <cstddef>
#include <string>
#include <string_view>

// The largest index a book can have: a million records (000000 to 999999) of the longest line the writer
// makes. A larger file is no index of ours and is not read.
constexpr std::size_t kIndexLineLimit = kCodeLimit + kContentLimit + kSoundTypeLimit + kSoundFileLimit + 32;
constexpr std::size_t kIndexFileLimit = 1000000 * kIndexLineLimit;

// One record as the reader finds it: the bytes it occupies (from the start of its line through the run of
// line ends after it), how many fields it had and the first four of them, uncut.
struct IndexLine {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t fieldCount = 0;
    std::string_view field[4];
};

// How the text ends, which decides what must come before a line appended to it.
enum class IndexEnd {
    Clean,       // empty, or ends with a line end outside quotes: append as is
    OpenLine,    // the last line has no line end: CR LF first
    InQuote,     // a quoted field is still open: close it, then CR LF
    QuoteOpened, // the text ends right after an opening quote, whose next byte joins the field whatever it is
};

// Text that makes an appended line start a record of its own after a text that ends as given.
std::string_view AppendPrefix(IndexEnd end);

// Scans the text, calling onLine(const IndexLine&) for each record in file order; returns how the text ends.
// Blanks separate fields; a field may be quoted ("..."), and then holds anything up to the next quote, its
// first byte included whatever it is; after the closing quote everything up to the next blank or line end is
// dropped. A line end (any run of CR and LF) completes a record; a line with no field is no record; at the
// end of the text a line with any field is a record.
template <class OnLine> IndexEnd ScanIndex(std::string_view text, OnLine&& onLine) {
    const char* s = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::size_t lineStart = 0;
    IndexLine line;
    IndexEnd state = IndexEnd::Clean;
    auto addField = [&](std::size_t from, std::size_t to) {
        if (line.fieldCount < 4)
            line.field[line.fieldCount] = std::string_view(s + from, to - from);
        ++line.fieldCount;
    };
    auto isBreak = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < n) {
        char c = s[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == '\r' || c == '\n') {
            std::size_t j = i;
            while (j < n && (s[j] == '\r' || s[j] == '\n'))
                ++j;
            if (line.fieldCount > 0) {
                line.begin = lineStart;
                line.end = j;
                onLine(static_cast<const IndexLine&>(line));
            }
            line = IndexLine();
            lineStart = j;
            i = j;
        } else if (c == '"') {
            std::size_t from = i + 1;
            if (from >= n) {
                addField(from, from);
                state = IndexEnd::QuoteOpened;
                i = n;
                break;
            }
            const void* q = std::memchr(s + from + 1, '"', n - from - 1);
            if (!q) {
                addField(from, n);
                state = IndexEnd::InQuote;
                i = n;
                break;
            }
            std::size_t close = static_cast<std::size_t>(static_cast<const char*>(q) - s);
            addField(from, close);
            i = close + 1;
            while (i < n && !isBreak(s[i]))
                ++i;
        } else {
            std::size_t from = i;
            while (i < n && !isBreak(s[i]))
                ++i;
            addField(from, i);
        }
    }
    if (state == IndexEnd::Clean && n > 0 && s[n - 1] != '\r' && s[n - 1] != '\n')
        state = IndexEnd::OpenLine;
    if (line.fieldCount > 0) {
        line.begin = lineStart;
        line.end = n;
        onLine(static_cast<const IndexLine&>(line));
    }
    return state;
}

// The fields of a scanned line as a record would hold them: cut to their limits, missing ones empty.
struct IndexFields {
    std::string_view code, content, soundType, soundFile;
};
IndexFields FieldsOf(const IndexLine& line);

// The line for a record: "%-10s  %-10s  %-10s  \"%s\"\r\n" of Code, Content, SoundType and SoundFile, where
// a field that holds a blank or line break, or begins with a quote, is written quoted. Returns false (and
// no line) when the fields cannot be written so that they read back unchanged.
bool FormatIndexLine(const SOUND_RECORD& record, std::string& line);

// The annotation as it is filed: cut to 63 bytes, "Null" when empty, and, when it has to be quoted (it holds
// a space, tab or line break, or begins with a double quote), its double quotes become single quotes, since
// a quoted field cannot hold one.
std::string NormaliseContent(std::string_view content);

// A record's line (lineText: its bytes from its start through its line ends, as IndexLine spans them) with
// the annotation field alone replaced by content (normalised as NormaliseContent says); every other byte,
// the code, type and path fields, the blanks between and the line ends, stays as it was. Returns false
// (and no line) when the line has no annotation field to replace or the result would not read back as the
// same record with the new annotation.
bool ReplaceContentField(std::string_view lineText, std::string_view content, std::string& line);

// Whether an index line can name that sound file: a path holding a blank and a '"' can be neither quoted nor
// written plain.
bool IndexCanNameFile(std::string_view gbkPath);
