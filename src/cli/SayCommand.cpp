// kivtool say: one record per line of text, spoken by the synthesiser.
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "library/SoundLibrary.h"
#include "library/SpeakText.h"
#include "platform/Speech.h"

int runSay(const QStringList& args) {
    const KivCommand& self = kivCommandNamed("say");
    QStringList words = args;
    if (words.isEmpty())
        return usageError(self, QStringLiteral("缺少点读书文件夹"));
    const QString book = words.takeFirst();
    int rate = kSpeechRateNormal;
    QStringList lines;
    bool fromFile = false;
    while (!words.isEmpty()) {
        const QString w = words.takeFirst();
        if (w == QLatin1String("--rate")) {
            bool ok = false;
            rate = words.isEmpty() ? 0 : words.takeFirst().toInt(&ok);
            if (!ok || rate < kSpeechRateMin || rate > kSpeechRateMax)
                return usageError(self, QStringLiteral("--rate 要一个 %1 到 %2 之间的数")
                                            .arg(kSpeechRateMin)
                                            .arg(kSpeechRateMax));
        } else if (w == QLatin1String("--from")) {
            if (words.isEmpty())
                return usageError(self, QStringLiteral("--from 后面缺少文件名"));
            QStringList read;
            QString why;
            if (!ReadSpeechFile(words.takeFirst(), read, &why)) {
                printLine(QStringLiteral("kivtool: ") + why, true);
                return 1;
            }
            lines << read;
            fromFile = true;
        } else {
            lines << SpeechLines(w);
        }
    }
    if (lines.isEmpty() && !fromFile)
        return usageError(self, QStringLiteral("没有要转成语音的文字"));
    CSoundLibrary library;
    if (!openBookForChange(book, library))
        return 1;
    int filed = 0;
    for (const QString& line : lines) {
        const FillOutcome outcome = SpeakLine(library, line, rate);
        printLine(FillOutcomeLine(outcome), !outcome.filed());
        filed += outcome.filed() ? 1 : 0;
    }
    const int failed = static_cast<int>(lines.size()) - filed;
    printLine(QStringLiteral("已保存 %1 个声音，%2 个没有保存。").arg(filed).arg(failed));
    return failed == 0 ? 0 : 1;
}
