#pragma once
// A book read as the program would play it: every record that would not play and why, the sounds that play
// late or at another loudness, and the sound files no line of the index names. kivtool check prints it; a
// window can show the same list.
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

struct BookCheckFinding {
    int line = 0;     // the record's line in the index, from 1 (0 when not known)
    std::string code; // GBK, as filed
    QString text;     // what is wrong, or a note ("（提示）...")
};

struct BookCheck {
    QString index;                          // the index's native path, as the lines name it
    QString unreadable;                     // why the index could not be read; empty when it was
    std::vector<BookCheckFinding> findings; // in the index's order
    std::vector<std::string> unnamed;       // native paths of sound files no line names, sorted
    std::size_t records = 0;
    int missing = 0, relocated = 0, unplayable = 0, shadowed = 0, broken = 0;
    // Records that would not play.
    int Failed() const { return missing + unplayable + shadowed + broken; }
};

// Checks the book in the folder (a native path); the sounds are probed on a few threads.
BookCheck CheckBook(const std::string& nativeFolder);

// "INDEX:LINE: CODE: TEXT".
QString BookCheckLine(const BookCheck& check, const BookCheckFinding& finding);
// "PATH: （提示）没有一行索引指向这个声音文件".
QString UnnamedSoundLine(const std::string& path);
// The counts in one sentence, and whether everything plays.
QString BookCheckSummary(const BookCheck& check);
