// kivtool level BOOK_FOLDER: rewrites the book's wave files ready to play, with the book's lock held; each
// file is named with what was done to it.
#include "cli/Command.h"
#include "library/LevelBook.h"
#include "library/SoundLibrary.h"

#include <QCommandLineParser>
#include <QFile>

int runLevel(CommandRun& run) {
    QCommandLineParser parser;
    if (!run.Parse(parser))
        return kUsageError;
    if (parser.positionalArguments().size() != 1)
        return run.UsageError(QStringLiteral("需要一个点读书文件夹"));
    CSoundLibrary library;
    if (!OpenBookForChange(run, parser.positionalArguments().first(), library))
        return kFailed;
    const LevelCounts counts = LevelBook(library, [&](const LevelStep& step) {
        run.Line(QFile::decodeName(QByteArray::fromStdString(step.path)) + QStringLiteral(": ") + step.text,
                 step.kind == LevelStep::Failed);
    });
    run.Line(QStringLiteral("整理了 %1 个声音，%2 个不用整理，%3 个保持原样，%4 个失败。")
                 .arg(counts.levelled)
                 .arg(counts.ready)
                 .arg(counts.left)
                 .arg(counts.failed));
    return CommandRun::Status(counts.failed == 0);
}
