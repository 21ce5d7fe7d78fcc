#pragma once
// What kivtool's filling commands share: reaching a book, the command line's own bytes, printing.
// Message boxes are answered on standard error: nobody is there to click them.
#include <QString>
#include <string>
#include <vector>

struct KivCommand;

class CSoundLibrary;

// Opens the book in folder for changing. False, with a message on standard error, when the folder is
// missing, cannot be written, or another program has the book open for changing.
bool openBookForChange(const QString& folder, CSoundLibrary& library);
// The command line's words as the bytes the shell passed, so a file name in any encoding reaches the file;
// falls back to the decoded words when the raw ones cannot be read.
std::vector<std::string> nativeArguments();
// Prints a line on standard output or standard error (UTF-8).
void printLine(const QString& text, bool toError = false);
// The command of that name in kivtool's table (for its usage line).
const KivCommand& kivCommandNamed(const char* name);
