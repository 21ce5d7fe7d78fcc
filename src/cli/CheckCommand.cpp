// kivtool check BOOK_FOLDER: reads a book as the program would play it and names every record that would
// not play, and why.
#include "cli/Command.h"
#include "library/BookCheck.h"

#include <QCommandLineParser>
#include <QDir>

int runCheck(CommandRun& run) {
    QCommandLineParser parser;
    if (!run.Parse(parser))
        return kUsageError;
    if (parser.positionalArguments().size() != 1)
        return run.UsageError(QStringLiteral("需要一个点读书文件夹"));
    const BookCheck check = CheckBook(QDir::cleanPath(parser.positionalArguments()[0]).toStdString());
    if (!check.unreadable.isEmpty()) {
        run.Problem(check.unreadable);
        return kFailed;
    }
    for (const BookCheckFinding& finding : check.findings)
        run.Line(BookCheckLine(check, finding));
    for (const std::string& path : check.unnamed)
        run.Line(UnnamedSoundLine(path));
    run.Line(BookCheckSummary(check));
    return CommandRun::Status(check.Failed() == 0);
}
