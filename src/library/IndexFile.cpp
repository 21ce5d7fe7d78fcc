#include "library/IndexFile.h"

#include "library/RecordMap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
int numberOf(const IndexLine& line) {
    return CodeNumber(CutGbk(line.field[0], kCodeLimit));
}
} // namespace

void CIndexFile::SetPath(std::string nativePath) {
    m_Path = std::move(nativePath);
    m_Refused = false;
    m_SeenExists = false;
    m_Seen = FileStamp();
    Forget();
}

void CIndexFile::Forget() {
    m_Known = false;
    m_Text.clear();
    m_Text.shrink_to_fit();
    m_Lines = LineTable();
}

void CIndexFile::remember(IndexEnd end) {
    m_Known = fileStamp(m_Path, m_Stamp) == 0;
    m_End = end;
}

bool CIndexFile::seenCurrent() const {
    FileStamp now;
    const bool exists = fileStamp(m_Path, now) == 0;
    return exists == m_SeenExists && (!exists || now == m_Seen);
}

void CIndexFile::see() {
    m_SeenExists = fileStamp(m_Path, m_Seen) == 0;
}

bool CIndexFile::ChangedOnDisk() const {
    return !seenCurrent();
}

bool CIndexFile::current() const {
    FileStamp now;
    return m_Known && fileStamp(m_Path, now) == 0 && now == m_Stamp;
}

const std::string* CIndexFile::text() {
    if (current())
        return &m_Text;
    Forget();
    std::string read;
    if (m_Refused || !readWholeFile(m_Path, read, kIndexFileLimit))
        return nullptr;
    IndexEnd end = ScanIndex(read, [](const IndexLine&) {});
    m_Text = std::move(read);
    remember(end);
    if (m_Stamp.size != static_cast<long long>(m_Text.size()))
        m_Known = false;
    return &m_Text;
}

bool CIndexFile::Load(const std::function<void(const IndexLine&)>& onLine) {
    Forget();
    m_Refused = false;
    FileStamp before;
    const bool statted = fileStamp(m_Path, before) == 0;
    // The stamp from before the read: a change while we read shows as a change afterwards.
    m_SeenExists = statted;
    m_Seen = before;
    std::string read;
    if (!readWholeFile(m_Path, read, kIndexFileLimit)) {
        // Not even read: it would take the memory of many books, and nothing here may write over it.
        m_Refused = errno == EFBIG;
        return false;
    }
    // The table of record starts comes with the one scan, so the first delete need not scan again.
    LineTable lines;
    const auto lineEnds = static_cast<std::size_t>(std::count(read.begin(), read.end(), '\n'));
    lines.begins.reserve(lineEnds + 1);
    lines.numbers.reserve(lineEnds + 1);
    IndexEnd end = ScanIndex(read, [&](const IndexLine& line) {
        lines.begins.push_back(line.begin);
        lines.numbers.push_back(numberOf(line));
        onLine(line);
    });
    remember(end);
    // Changed while we read it: do not trust what we remember of its end.
    if (!statted || !m_Known || !(m_Stamp == before) || static_cast<long long>(read.size()) != m_Stamp.size) {
        Forget();
    } else {
        m_Text = std::move(read);
        lines.end = end;
        lines.valid = true;
        m_Lines = std::move(lines);
    }
    // Room for many appended lines before the text has to move.
    m_Text.reserve(m_Text.size() + m_Text.size() / 16 + 4096);
    return true;
}

CIndexFile::Growth CIndexFile::LoadAppended(const std::function<void(const IndexLine&)>& onLine) {
    if (seenCurrent())
        return Growth::Unchanged;
    // The kept text must be the file as we last saw it, ending where a new record starts.
    const std::size_t old = m_Text.size();
    if (m_Refused || !m_Known || !m_Lines.valid || m_Lines.end != IndexEnd::Clean || !m_SeenExists ||
        !(m_Stamp == m_Seen) || m_Seen.size != static_cast<long long>(old))
        return Growth::Changed;
    const int fd = openForReading(m_Path);
    if (fd < 0)
        return Growth::Changed;
    // What is read is the file as this stamp found it: a later append moves the stamp, so it is read next
    // time.
    FileStamp now;
    const bool grown = fileStampOf(fd, now) == 0 && now.regular && now.device == m_Seen.device &&
                       now.inode == m_Seen.inode && static_cast<std::size_t>(now.size) > old &&
                       static_cast<std::size_t>(now.size) <= kIndexFileLimit;
    // An edit of earlier lines shows in the blocks around them in all but contrived cases; a rewrite by
    // replacing the file has another inode.
    constexpr std::size_t kBlock = 4096;
    const std::size_t block = std::min(old, kBlock);
    std::string first, last, tail;
    const bool same = grown && readAt(fd, 0, block, first) && m_Text.compare(0, block, first) == 0 &&
                      readAt(fd, old - block, block, last) && m_Text.compare(old - block, block, last) == 0 &&
                      readAt(fd, old, static_cast<std::size_t>(now.size) - old, tail);
    closeFile(fd);
    if (!same)
        return Growth::Changed;
    const IndexEnd end = ScanIndex(tail, [&](IndexLine line) {
        line.begin += old;
        line.end += old;
        m_Lines.begins.push_back(line.begin);
        m_Lines.numbers.push_back(numberOf(line));
        onLine(line);
    });
    m_Text += tail;
    m_Lines.end = m_End = end;
    m_Stamp = m_Seen = now;
    return Growth::Grown;
}

void CIndexFile::buildLineTable() {
    m_Lines = LineTable();
    m_Lines.end = ScanIndex(m_Text, [&](const IndexLine& line) {
        m_Lines.begins.push_back(line.begin);
        m_Lines.numbers.push_back(numberOf(line));
    });
    m_Lines.valid = true;
}

bool CIndexFile::LinesOf(int number, std::vector<std::size_t>& entries) {
    std::unordered_map<int, std::vector<std::size_t>> linesOf{{number, {}}};
    const bool ok = LinesOf(linesOf);
    entries = std::move(linesOf[number]);
    return ok;
}

bool CIndexFile::LinesOf(std::unordered_map<int, std::vector<std::size_t>>& linesOf) {
    for (auto& [number, entries] : linesOf)
        entries.clear();
    if (!text())
        return false;
    if (!m_Lines.valid)
        buildLineTable();
    for (std::size_t i = 0; i < m_Lines.numbers.size(); ++i)
        if (auto it = linesOf.find(m_Lines.numbers[i]); it != linesOf.end())
            it->second.push_back(i);
    return true;
}

bool CIndexFile::HighestNumber(int& highest, std::string& overLimitCode) {
    highest = -1;
    overLimitCode.clear();
    if (!fileExists(m_Path))
        return true;
    if (!text())
        return false;
    if (!m_Lines.valid)
        buildLineTable();
    for (std::size_t i = 0; i < m_Lines.numbers.size(); ++i) {
        const int n = m_Lines.numbers[i];
        if (n >= CRecordMap::kMaxCode) {
            if (overLimitCode.empty())
                overLimitCode = std::string(CutGbk(LineAt(i).field[0], kCodeLimit));
        } else {
            highest = std::max(highest, n);
        }
    }
    return true;
}

IndexLine CIndexFile::LineAt(std::size_t i) const {
    // A record starts in a fresh reader state, so reading from its start to the next record's start finds
    // it exactly as a read of the whole text does.
    const std::size_t from = m_Lines.begins[i];
    const std::size_t to = i + 1 < m_Lines.begins.size() ? m_Lines.begins[i + 1] : m_Text.size();
    IndexLine found;
    bool got = false;
    ScanIndex(std::string_view(m_Text).substr(from, to - from), [&](const IndexLine& line) {
        if (!got) {
            found = line;
            got = true;
        }
    });
    found.begin += from;
    found.end += from;
    return found;
}

bool CIndexFile::RemoveLines(const std::vector<std::size_t>& entries) {
    const bool seen = seenCurrent();
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    spans.reserve(entries.size());
    for (std::size_t e : entries) {
        IndexLine line = LineAt(e);
        spans.emplace_back(line.begin, line.end);
    }
    std::string& text = m_Text;
    const std::size_t size = text.size();
    const bool removedLast = spans.back().second == size;
    // Edited in place: a copy of the whole text would cost as much as writing it.
    std::size_t out = spans.front().first;
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const std::size_t from = spans[k].second;
        const std::size_t to = k + 1 < spans.size() ? spans[k + 1].first : size;
        if (to > from)
            std::memmove(text.data() + out, text.data() + from, to - from);
        out += to - from;
    }
    text.resize(out);
    // Later records keep their bytes and move back by what was removed before them.
    std::size_t write = entries.front(), shift = 0, k = 0;
    for (std::size_t i = entries.front(); i < m_Lines.begins.size(); ++i) {
        if (k < entries.size() && entries[k] == i) {
            shift += spans[k].second - spans[k].first;
            ++k;
            continue;
        }
        m_Lines.begins[write] = m_Lines.begins[i] - shift;
        m_Lines.numbers[write] = m_Lines.numbers[i];
        ++write;
    }
    m_Lines.begins.resize(write);
    m_Lines.numbers.resize(write);
    if (removedLast)
        m_Lines.end = IndexEnd::Clean;
    if (!atomicReplace(m_Path, text, LinkPolicy::WriteTarget)) {
        Forget();
        return false;
    }
    remember(m_Lines.end);
    if (seen)
        see();
    return true;
}

bool CIndexFile::AppendLine(std::string_view line) {
    // Our own write is no change from outside, unless one came before it: that one must still be noticed.
    const bool seen = seenCurrent();
    // An index whose last line lacks its line end (or leaves a quote open) would swallow the new line.
    bool ok = !m_Refused;
    IndexEnd end = IndexEnd::Clean;
    if (ok && fileExists(m_Path)) {
        ok = text() != nullptr;
        end = m_End;
    } else {
        Forget();
    }
    const bool textKnown = ok && m_Known;
    std::string data(AppendPrefix(end));
    data += line;
    if (!ok || !appendDurable(m_Path, data)) {
        Forget();
        return false;
    }
    if (textKnown || m_Text.empty()) {
        // The appended line is one record, starting right after the prefix.
        if (m_Lines.valid) {
            m_Lines.begins.push_back(m_Text.size() + AppendPrefix(end).size());
            std::size_t at = 0;
            ScanIndex(line, [&](const IndexLine& l) {
                if (at++ == 0)
                    m_Lines.numbers.push_back(numberOf(l));
            });
            m_Lines.end = IndexEnd::Clean;
        }
        m_Text += data;
    }
    remember(IndexEnd::Clean);
    if (m_Stamp.size != static_cast<long long>(m_Text.size()))
        Forget();
    if (seen)
        see();
    return true;
}

bool CIndexFile::MoveLineToEnd(std::optional<std::size_t> entry, std::string_view line) {
    const bool seen = seenCurrent();
    const std::string empty;
    const std::string* current = &empty;
    if (fileExists(m_Path) && !(current = text()))
        return false;
    // The entry came from LinesOf; a file changed since then is not edited blindly.
    if (entry && (!m_Lines.valid || *entry >= m_Lines.begins.size()))
        return false;
    const std::string& old = *current;
    IndexEnd tail = old.empty() ? IndexEnd::Clean : m_End;
    std::string next;
    next.reserve(old.size() + old.size() / 16 + 4096); // room for later appends
    if (entry) {
        IndexLine own = LineAt(*entry);
        next.append(old, 0, own.begin);
        next.append(old, own.end, std::string::npos);
        if (own.end == old.size())
            tail = IndexEnd::Clean;
    } else {
        next = old;
    }
    next += AppendPrefix(tail);
    next += line;
    if (!atomicReplace(m_Path, next, LinkPolicy::WriteTarget)) {
        Forget();
        return false;
    }
    m_Text = std::move(next);
    m_Lines = LineTable();
    remember(IndexEnd::Clean);
    if (seen)
        see();
    return true;
}

bool CIndexFile::Clear() {
    const bool seen = seenCurrent();
    if (m_Refused || !atomicReplace(m_Path, std::string_view(), LinkPolicy::WriteTarget)) {
        Forget();
        return false;
    }
    Forget();
    remember(IndexEnd::Clean);
    if (seen)
        see();
    return true;
}

std::string_view CIndexFile::LineTextAt(std::size_t entry) const {
    const IndexLine line = LineAt(entry);
    return std::string_view(m_Text).substr(line.begin, line.end - line.begin);
}

bool CIndexFile::ReplaceLine(std::size_t entry, std::string_view line) {
    const bool seen = seenCurrent();
    // The entry came from LinesOf; a file changed since then is not edited blindly.
    if (m_Refused || !text() || !m_Lines.valid || entry >= m_Lines.begins.size())
        return false;
    const IndexLine own = LineAt(entry);
    std::string next;
    next.reserve(m_Text.size() + line.size() + 4096);
    next.append(m_Text, 0, own.begin);
    next += line;
    next.append(m_Text, own.end, std::string::npos);
    if (!atomicReplace(m_Path, next, LinkPolicy::WriteTarget)) {
        Forget();
        return false;
    }
    const IndexEnd end = ScanIndex(next, [](const IndexLine&) {});
    m_Text = std::move(next);
    m_Lines = LineTable();
    remember(end);
    if (seen)
        see();
    return true;
}
