#pragma once
// Which book the main window opens at start, and what makes a folder a book that can be opened.
// A book is a folder; it holds the index KIV_Lib.cfg once something was filed (or it was made a book).
#include <QString>
#include <QStringList>
#include <string>

// The book the main window opens first (GBK, ending in '/'); empty until start-up chooses one, and then
// the main window falls back to ProgramFolder.
extern std::string StartBookFolder;

constexpr const char* kIndexFileName = "KIV_Lib.cfg";

// Why the folder (native path) cannot be opened as a book, in words for the user; empty when it can.
QString BookFolderProblem(const QString& nativeFolder);
// True when the folder holds an index.
bool HoldsBook(const QString& nativeFolder);
// The folder as the program keeps it: absolute, ending in '/'. A path to an index file names its folder.
QString BookFolderOf(const QString& path);

struct StartBookChoice {
    std::string folder;   // GBK, ending in '/'; empty when nothing fits
    QStringList messages; // for the user, shown before the main window opens
};

// The start rules, in order: the program folder when it holds a book and is not the build's or the
// install's own folder; the folder given on the command line (the first argument not starting with '-');
// the most recent book that can still be opened; the per-user data folder (made on demand).
StartBookChoice ChooseStartBook(const std::string& nativeProgramFolder, const QStringList& arguments,
                                const QStringList& recentBooks, const std::string& nativeDataFolder);

// Fills StartBookFolder from the running program's folder, arguments and recent books, telling the user
// what could not be opened.
void DetermineStartBook();
