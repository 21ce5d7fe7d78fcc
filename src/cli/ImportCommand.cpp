// kivtool import: sound files, and every sound file in folders, filed in the natural order of their paths.
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "library/ImportSounds.h"
#include "library/SoundLibrary.h"

#include <QFile>

int runImport(const QStringList& args) {
    const KivCommand& self = kivCommandNamed("import");
    if (args.size() < 2)
        return usageError(self, args.isEmpty() ? QStringLiteral("缺少点读书文件夹")
                                               : QStringLiteral("缺少要导入的文件"));
    // The paths as the shell gave them: the last words of the command line.
    const std::vector<std::string> words = nativeArguments();
    std::vector<std::string> paths(words.end() - (args.size() - 1), words.end());
    CSoundLibrary library;
    if (!openBookForChange(args.first(), library))
        return 1;
    RemoveUnfinishedSounds(library);
    const ImportList list = CollectSoundFiles(paths);
    int filed = 0;
    for (const std::string& file : list.files) {
        const FillOutcome outcome = ImportSoundFile(library, file);
        printLine(FillOutcomeLine(outcome), !outcome.filed());
        filed += outcome.filed() ? 1 : 0;
    }
    for (const FillOutcome& passed : list.passed)
        printLine(FillOutcomeLine(passed), true);
    const int failed = static_cast<int>(list.files.size() + list.passed.size()) - filed;
    printLine(QStringLiteral("已保存 %1 个声音，%2 个没有保存。").arg(filed).arg(failed));
    return failed == 0 ? 0 : 1;
}
