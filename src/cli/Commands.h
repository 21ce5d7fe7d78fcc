#pragma once
// kivtool's commands. Each takes the words after its name, prints one line per result and a summary line
// on standard output (problems on standard error), and returns the exit status: 0 when everything
// succeeded, 1 when something failed, 2 on a usage error.
#include <QStringList>

struct KivCommand {
    const char* name;
    const char* usage; // the arguments, for --help
    const char* help;  // one line
    int (*run)(const QStringList& args);
};

// Every command, in the order --help lists them (Commands.cpp).
extern const KivCommand kKivCommands[];
extern const int kKivCommandCount;

int runCheck(const QStringList& args);
int runLabels(const QStringList& args);

// Prints "kivtool: <text>" and the command's usage on standard error; returns 2.
int usageError(const KivCommand& command, const QString& text);

int runImport(const QStringList& args);
int runSay(const QStringList& args);
int runLevel(const QStringList& args);
int runReplace(const QStringList& args);
int runPack(const QStringList& args);
int runUnpack(const QStringList& args);
