// kivtool say: one record per line of text, spoken by the synthesiser.
#include "cli/Command.h"
#include "library/SoundLibrary.h"
#include "library/SpeakText.h"
#include "platform/soundfile/Speech.h"

#include <QCommandLineParser>

int runSay(CommandRun& run) {
    const QCommandLineOption rateOption(QStringLiteral("rate"), {}, QStringLiteral("N")),
        fromOption(QStringLiteral("from"), {}, QStringLiteral("FILE"));
    QCommandLineParser parser;
    if (!run.Parse(parser, {rateOption, fromOption}))
        return kUsageError;
    QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return run.UsageError(QStringLiteral("缺少点读书文件夹"));
    const QString book = words.takeFirst();
    int rate = kSpeechRateNormal;
    if (parser.isSet(rateOption)) {
        bool ok = false;
        rate = parser.value(rateOption).toInt(&ok);
        if (!ok || rate < kSpeechRateMin || rate > kSpeechRateMax)
            return run.UsageError(
                QStringLiteral("--rate 要一个 %1 到 %2 之间的数").arg(kSpeechRateMin).arg(kSpeechRateMax));
    }
    QStringList lines;
    for (const QString& w : words)
        lines << SpeechLines(w);
    for (const QString& file : parser.values(fromOption)) {
        QStringList read;
        QString why;
        if (!ReadSpeechFile(file, read, &why)) {
            run.Problem(why);
            return kFailed;
        }
        lines << read;
    }
    if (lines.isEmpty() && !parser.isSet(fromOption))
        return run.UsageError(QStringLiteral("没有要转成语音的文字"));
    CSoundLibrary library;
    if (!OpenBookForChange(run, book, library))
        return kFailed;
    int filed = 0;
    for (const QString& line : lines) {
        const FillOutcome outcome = SpeakLine(library, line, rate);
        run.Line(FillOutcomeLine(outcome), !outcome.filed());
        filed += outcome.filed() ? 1 : 0;
    }
    const int failed = static_cast<int>(lines.size()) - filed;
    run.Line(QStringLiteral("已保存 %1 个声音，%2 个没有保存。").arg(filed).arg(failed));
    return CommandRun::Status(failed == 0);
}
