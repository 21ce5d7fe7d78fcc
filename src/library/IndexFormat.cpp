#include "library/IndexFormat.h"

#include <cstdio>

std::string_view AppendPrefix(IndexEnd end) {
    switch (end) {
    case IndexEnd::Clean:
        return {};
    case IndexEnd::OpenLine:
        return "\r\n";
    case IndexEnd::InQuote:
        return "\"\r\n";
    case IndexEnd::QuoteOpened:
        // The first quote is taken as the field's byte, the second closes it.
        return "\"\"\r\n";
    }
    return "\r\n";
}

IndexFields FieldsOf(const IndexLine& line) {
    IndexFields f;
    f.code = CutGbk(line.field[0], kCodeLimit);
    if (line.fieldCount > 1)
        f.content = CutGbk(line.field[1], kContentLimit);
    if (line.fieldCount > 2)
        f.soundType = CutGbk(line.field[2], kSoundTypeLimit);
    if (line.fieldCount > 3)
        f.soundFile = CutGbk(line.field[3], kSoundFileLimit);
    return f;
}

namespace {

bool hasBreak(std::string_view s) {
    return s.find_first_of(" \t\r\n") != std::string_view::npos;
}

// The field as written: plain when the reader takes it back as one field, else quoted. The reader takes
// the byte after an opening quote whatever it is and ends the field at the next quote, so a quoted field
// may begin with a quote but hold no other. Empty when the field cannot be written.
std::string fieldText(std::string_view f, bool alwaysQuote) {
    bool plain = !f.empty() && f.front() != '"' && !hasBreak(f);
    if (plain && !alwaysQuote)
        return std::string(f);
    if (f.empty() || f.find('"', 1) != std::string_view::npos)
        return {};
    std::string quoted;
    quoted.reserve(f.size() + 2);
    quoted += '"';
    quoted += f;
    quoted += '"';
    return quoted;
}

void appendPadded(std::string& out, const std::string& field) {
    out += field;
    if (field.size() < 10)
        out.append(10 - field.size(), ' ');
}

} // namespace

bool IndexCanNameFile(std::string_view gbkPath) {
    return !fieldText(gbkPath, true).empty() || !fieldText(gbkPath, false).empty();
}

bool FormatIndexLine(const SOUND_RECORD& record, std::string& line) {
    line.clear();
    std::string code = fieldText(record.Code, false);
    std::string content = fieldText(record.Content, false);
    std::string type = fieldText(record.SoundType, false);
    std::string file = fieldText(record.SoundFile, true);
    if (file.empty())
        file = fieldText(record.SoundFile, false);
    if (code.empty() || content.empty() || type.empty() || file.empty())
        return false;
    std::string out;
    out.reserve(code.size() + content.size() + type.size() + file.size() + 40);
    appendPadded(out, code);
    out += "  ";
    appendPadded(out, content);
    out += "  ";
    appendPadded(out, type);
    out += "  ";
    out += file;
    out += "\r\n";
    // Prove it: the line must read back as exactly this record's four fields.
    std::size_t records = 0;
    bool same = false;
    IndexEnd end = ScanIndex(out, [&](const IndexLine& l) {
        ++records;
        same = l.fieldCount == 4 && l.field[0] == record.Code.view() && l.field[1] == record.Content.view() &&
               l.field[2] == record.SoundType.view() && l.field[3] == record.SoundFile.view();
    });
    if (records != 1 || !same || end != IndexEnd::Clean)
        return false;
    line = std::move(out);
    return true;
}

std::string NormaliseContent(std::string_view content) {
    std::string text(CutGbk(content, kContentLimit));
    if (text.empty())
        return "Null";
    if (hasBreak(text) || text.front() == '"') {
        for (char& c : text)
            if (c == '"')
                c = '\'';
    }
    return text;
}

namespace {

// The first record scanned from a line's text, with its ending state.
struct ScannedLine {
    std::size_t records = 0;
    IndexLine line;
    IndexEnd end = IndexEnd::Clean;
};
ScannedLine scanLine(std::string_view text) {
    ScannedLine s;
    s.end = ScanIndex(text, [&](const IndexLine& l) {
        if (s.records++ == 0)
            s.line = l;
    });
    return s;
}

} // namespace

bool ReplaceContentField(std::string_view lineText, std::string_view content, std::string& line) {
    line.clear();
    const ScannedLine old = scanLine(lineText);
    // Four fields whose annotation is whole: a quote left open would have swallowed the fields after it.
    if (old.records != 1 || old.line.fieldCount < 4 || old.end == IndexEnd::InQuote ||
        old.end == IndexEnd::QuoteOpened)
        return false;
    const std::string normalised = NormaliseContent(content);
    const std::string field = fieldText(normalised, false);
    if (field.empty())
        return false;
    const std::string_view oldField = old.line.field[1];
    std::size_t from = static_cast<std::size_t>(oldField.data() - lineText.data());
    std::size_t to = from + oldField.size();
    if (from > 0 && lineText[from - 1] == '"') {
        // Quoted: from the opening quote through the closing one and what the reader drops after it.
        --from;
        ++to;
        while (to < lineText.size() && !hasBreak(lineText.substr(to, 1)))
            ++to;
    }
    std::string out;
    out.reserve(lineText.size() + field.size());
    out.append(lineText.substr(0, from));
    out += field;
    out.append(lineText.substr(to));
    // Prove it: the same record, only its annotation changed, ending as the old line did.
    const ScannedLine now = scanLine(out);
    if (now.records != 1 || now.end != old.end || now.line.fieldCount != old.line.fieldCount ||
        now.line.field[0] != old.line.field[0] || now.line.field[1] != normalised ||
        now.line.field[2] != old.line.field[2] || now.line.field[3] != old.line.field[3])
        return false;
    line = std::move(out);
    return true;
}
