#pragma once
// The index file KIV_Lib.cfg on disk. A copy of its text is kept in memory while the file is unchanged since
// we last read or wrote it (same stamp), so filing, replacing and deleting need not reread a large index.
// Lines are addressed by entries of a table of record starts, built with the load or on first use; every
// change of the kept text either updates the table or drops it. An index larger than a book's can be is
// refused: neither read nor written until the next Load. A link is written through only to a target inside
// the book's folder. Paths are native.
#include "library/IndexFormat.h"
#include "platform/core/Files.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CIndexFile {
public:
    // Forgets what was kept of the previous file.
    void SetPath(std::string nativePath);
    const std::string& Path() const { return m_Path; }

    // Reads the whole file and calls onLine for each record in file order; false when it cannot be read
    // (then Refused() tells whether it was too large).
    bool Load(const std::function<void(const IndexLine&)>& onLine);
    bool Refused() const { return m_Refused; }
    // What another program did to the file since we last loaded or wrote it.
    enum class Growth {
        Unchanged,
        Grown,   // it only appended: its new records were read alone and given to onLine
        Changed, // anything else (or it cannot be told): Load it whole
    };
    // Reads only the bytes appended since the last load or write, when the file is the same file, grew, and
    // its earlier bytes (first and last block of them) are still the kept text.
    Growth LoadAppended(const std::function<void(const IndexLine&)>& onLine);
    // The entries of the lines whose first field is that number, ascending; false when the file cannot be
    // read. Entries stay valid until the next change.
    bool LinesOf(int number, std::vector<std::size_t>& entries);
    // The same for every number that is a key of linesOf, in one pass over the lines.
    bool LinesOf(std::unordered_map<int, std::vector<std::size_t>>& linesOf);
    // The largest code number below kMaxCode of the file as it is now (-1 when none) and the code of its
    // first line at or above it (empty when none); false when the file exists and cannot be read.
    bool HighestNumber(int& highest, std::string& overLimitCode);
    // The record at an entry, read from its start up to the next record's start.
    IndexLine LineAt(std::size_t entry) const;
    // Removes the entries' lines (ascending, at least one) and rewrites the file.
    bool RemoveLines(const std::vector<std::size_t>& entries);
    // Appends one line, after what the way the file ends requires, and syncs it; creates a missing file.
    bool AppendLine(std::string_view line);
    // Rewrites the file without the entry's line (if given) and with line at its end; a missing file counts
    // as empty.
    bool MoveLineToEnd(std::optional<std::size_t> entry, std::string_view line);
    // The bytes of the entry's record, from its start through its line ends.
    std::string_view LineTextAt(std::size_t entry) const;
    // Rewrites the file with the entry's line (all its bytes) replaced by line, in its place; every other
    // byte stays. False when the entry no longer names a line of the file or the file cannot be written.
    bool ReplaceLine(std::size_t entry, std::string_view line);
    // Rewrites the file empty.
    bool Clear();
    // Drops the kept text; the next use reads the file again.
    void Forget();
    // True when the file is not the one we last loaded or wrote: another program or a hand changed it.
    bool ChangedOnDisk() const;

private:
    // The kept text, reread when the file changed; null when the file cannot be read.
    const std::string* text();
    void remember(IndexEnd end);
    bool current() const;
    void buildLineTable();
    // Whether the file is still the one we last loaded or wrote, and taking note of it after our own write.
    bool seenCurrent() const;
    void see();

    std::string m_Path;
    bool m_Refused = false;
    bool m_Known = false;
    FileStamp m_Stamp;
    // What we last loaded or wrote, apart from the kept text (which a reread for a write may replace).
    bool m_SeenExists = false;
    FileStamp m_Seen;
    IndexEnd m_End = IndexEnd::Clean;
    std::string m_Text;
    struct LineTable {
        bool valid = false;
        std::vector<std::size_t> begins;
        std::vector<int> numbers;
        IndexEnd end = IndexEnd::Clean;
    };
    LineTable m_Lines;
};
