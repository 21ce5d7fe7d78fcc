// kivtool import: sound files, and every sound file in folders, filed in the natural order of their paths.
#include "cli/Command.h"
#include "library/ImportSounds.h"
#include "library/SoundLibrary.h"

#include <QCommandLineParser>

int runImport(CommandRun& run) {
    QCommandLineParser parser;
    if (!run.Parse(parser))
        return kUsageError;
    const QStringList args = parser.positionalArguments();
    if (args.size() < 2)
        return run.UsageError(args.isEmpty() ? QStringLiteral("缺少点读书文件夹")
                                             : QStringLiteral("缺少要导入的文件"));
    // The paths as the shell gave them.
    std::vector<std::string> paths = run.NativePositional(args);
    paths.erase(paths.begin());
    CSoundLibrary library;
    if (!OpenBookForChange(run, args.first(), library))
        return kFailed;
    RemoveUnfinishedSounds(library);
    const ImportList list = CollectSoundFiles(paths);
    int filed = 0;
    for (const std::string& file : list.files) {
        const FillOutcome outcome = ImportSoundFile(library, file);
        run.Line(FillOutcomeLine(outcome), !outcome.filed());
        filed += outcome.filed() ? 1 : 0;
    }
    for (const FillOutcome& passed : list.passed)
        run.Line(FillOutcomeLine(passed), true);
    const int failed = static_cast<int>(list.files.size() + list.passed.size()) - filed;
    run.Line(QStringLiteral("已保存 %1 个声音，%2 个没有保存。").arg(filed).arg(failed));
    return CommandRun::Status(failed == 0);
}
