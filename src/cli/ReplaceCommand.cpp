// kivtool replace: a sound file becomes the sound of a code already in the book; the label keeps working.
#include "cli/Command.h"
#include "library/ImportSounds.h"
#include "library/ReplaceSound.h"
#include "library/SoundLibrary.h"

#include <QCommandLineParser>
#include <QRegularExpression>

int runReplace(CommandRun& run) {
    QCommandLineParser parser;
    if (!run.Parse(parser))
        return kUsageError;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 3)
        return run.UsageError(QStringLiteral("需要点读书文件夹、条码和声音文件"));
    if (!QRegularExpression(QStringLiteral("^\\d{1,6}$")).match(args[1]).hasMatch())
        return run.UsageError(QStringLiteral("条码应是最多六位的数字: %1").arg(args[1]));
    const std::string file = run.NativePositional(args).back();
    CSoundLibrary library;
    if (!OpenBookForChange(run, args.first(), library))
        return kFailed;
    RemoveUnfinishedSounds(library);
    const SOUND_RECORD* record = library.FindRecord(args[1].toInt());
    QString problem = QStringLiteral("点读书里没有这个条码");
    if (record && ReplaceSoundFromFile(library, record, file, g_ReadyChoice, &problem)) {
        run.Line(QStringLiteral("%1  %2").arg(QString::fromStdString(record->Code.str()), NameText(file)));
        run.Line(QStringLiteral("已替换 1 个声音。"));
        return kSucceeded;
    }
    run.Line(QStringLiteral("%1  没有替换: %2").arg(args[1], problem), true);
    run.Line(QStringLiteral("已替换 0 个声音。"));
    return kFailed;
}
