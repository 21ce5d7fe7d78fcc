#pragma once
// kivtool's commands share one table, one way to print a line and one exit status rule: 0 when everything
// succeeded, 1 when something failed, 2 on a usage error. Each prints one line per result and a summary
// line on standard output, problems on standard error.
#include <QByteArray>
#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class CSoundLibrary;
class QCommandLineParser;

enum ExitStatus { kSucceeded = 0, kFailed = 1, kUsageError = 2 };

// Where a run's lines go: standard output and standard error in kivtool, memory in the tests.
class CommandOutput {
public:
    virtual ~CommandOutput() = default;
    virtual void write(const QByteArray& bytes, bool toError) = 0;
};

class CommandRun;

struct KivCommand {
    const char* name;
    const char* usage; // the arguments, for --help
    const char* help;  // one line
    int (*run)(CommandRun& run);
};

// One command's run: the words after its name, and where it prints.
class CommandRun {
public:
    CommandRun(const KivCommand& command, std::vector<std::string> words, bool takeOver, CommandOutput& out);

    // The words, decoded.
    const QStringList& Args() const { return m_Args; }
    // A word as the shell passed it, so a file name in any encoding reaches the file.
    const std::string& Native(qsizetype i) const { return m_Words[static_cast<std::size_t>(i)]; }
    // The positional words of a parse, as the shell passed them.
    std::vector<std::string> NativePositional(const QStringList& positional) const;
    // "--take-over" was given: take over the lock a program on another computer left.
    bool TakeOver() const { return m_TakeOver; }

    // One line on standard output, or standard error: every line a command prints goes through here.
    void Line(const QString& text, bool toError = false);
    // "kivtool: <text>" on standard error.
    void Problem(const QString& text);
    // Problem(text) and the command's usage line; returns kUsageError.
    int UsageError(const QString& text);
    // kSucceeded when nothing failed, else kFailed.
    static int Status(bool allSucceeded) { return allSucceeded ? kSucceeded : kFailed; }

    // Parses the words with the options; false, after the usage error, when a word is not understood.
    bool Parse(QCommandLineParser& parser, const QList<QCommandLineOption>& options = {});

private:
    const KivCommand& m_Command;
    std::vector<std::string> m_Words;
    QStringList m_Args;
    bool m_TakeOver;
    CommandOutput& m_Out;
};

// Every command, in the order --help lists them (Commands.cpp).
extern const std::vector<KivCommand> kKivCommands;

// Runs kivtool on its words (without the program's name) as the shell passed them; the exit status.
int RunKivtool(std::vector<std::string> words, CommandOutput& out);

// Opens the book in folder for changing. False, with the reason on standard error, when the folder is
// missing, cannot be written, or another program has the book open for changing (one on another computer
// is taken over with --take-over). While the run lasts, message boxes are answered on standard error with
// the cautious answer: nobody is there to click them.
bool OpenBookForChange(CommandRun& run, const QString& folder, CSoundLibrary& library);

int runCheck(CommandRun& run);
int runLabels(CommandRun& run);
int runImport(CommandRun& run);
int runSay(CommandRun& run);
int runLevel(CommandRun& run);
int runReplace(CommandRun& run);
int runPack(CommandRun& run);
int runUnpack(CommandRun& run);
