#pragma once
// What kivtool's filling commands share: reaching a book, the command line's own bytes, printing.
// Message boxes are answered on standard error: nobody is there to click them.
#include <QString>
#include <string>
#include <vector>

struct CLabelOptions;
struct CLabelSheet;
struct KivCommand;

class CSoundLibrary;

// "--take-over", anywhere on the command line: take over the lock a program on another computer left.
constexpr const char* kTakeOverOption = "--take-over";
extern bool g_TakeOverLock;

// Opens the book in folder for changing. False, with a message on standard error, when the folder is
// missing, cannot be written, or another program has the book open for changing (one on another computer
// is taken over with g_TakeOverLock).
bool openBookForChange(const QString& folder, CSoundLibrary& library);
// The command line's words (without --take-over) as the bytes the shell passed, so a file name in any
// encoding reaches the file; falls back to the decoded words when the raw ones cannot be read.
std::vector<std::string> nativeArguments();
// Prints a line on standard output or standard error (UTF-8).
void printLine(const QString& text, bool toError = false);
// The command of that name in kivtool's table (for its usage line).
const KivCommand& kivCommandNamed(const char* name);

// A label sheet by the name of a shipped one or a template file's path: 0 when found, 1 (with the error)
// when the file is no template, 2 (with the error) when there is no such sheet.
int findLabelSheet(const QString& name, CLabelSheet* sheet, QString* error);
// Barcode type and sizes as the window prints them (its KIV.ini).
CLabelOptions printedLabelOptions();
