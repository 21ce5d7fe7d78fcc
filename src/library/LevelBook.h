#pragma once
// A book's wave files rewritten ready to play (the silence around the content cut, one loudness), so the
// book plays at once on every copy of the program. Only sound files inside the book are touched, each once,
// atomically; read-only files, MP3s and files elsewhere stay as they are and are named.
#include <QString>
#include <functional>
#include <string>

class CSoundLibrary;

struct LevelStep {
    enum Kind { Levelled, Ready, Left, Failed } kind;
    std::string path; // native
    QString text;     // what was done, or why not
};

struct LevelCounts {
    int levelled = 0, ready = 0, left = 0, failed = 0;
};

// Levels every sound the book's records play (the book open for changing), telling each file as it is done.
LevelCounts LevelBook(CSoundLibrary& library, const std::function<void(const LevelStep&)>& told);
