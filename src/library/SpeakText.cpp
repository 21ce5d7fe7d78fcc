#include "library/SpeakText.h"

#include "library/Annotation.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/Speech.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// Where a piece of a long line may end: after a sentence, else after a clause or a word.
qsizetype pieceEnd(const QString& line, qsizetype from) {
    const qsizetype limit = std::min(line.size(), from + kSpeechLineLimit);
    if (limit == line.size())
        return limit;
    for (const QString& ends : {QStringLiteral("。！？!?；;…."), QStringLiteral("，,、：: \t")}) {
        for (qsizetype i = limit; i > from; --i)
            if (ends.contains(line[i - 1]))
                return i;
    }
    // Never between the halves of a character outside the BMP.
    return line[limit - 1].isHighSurrogate() ? limit - 1 : limit;
}

} // namespace

QStringList SpeechLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts)) {
        const QString whole = line.trimmed();
        for (qsizetype from = 0; from < whole.size();) {
            const qsizetype end = pieceEnd(whole, from);
            if (const QString kept = whole.mid(from, end - from).trimmed(); !kept.isEmpty())
                lines << kept;
            from = end;
        }
    }
    return lines;
}

bool ReadSpeechFile(const QString& path, QStringList& lines, QString* whyNot) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *whyNot = uiText("不能读取 %1").arg(path);
        return false;
    }
    // One byte more than allowed tells a file that is too large, whatever its size claims.
    const QByteArray bytes = file.read(kSpeechFileLimit + 1);
    if (bytes.size() > kSpeechFileLimit) {
        *whyNot = uiText("%1 太大（超过 1 MB），没有读取").arg(path);
        return false;
    }
    lines = SpeechLines(DecodeTextFile(bytes));
    return true;
}

QString DecodeTextFile(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return fromGbk(std::string_view(view.data(), static_cast<std::size_t>(view.size())));
}

FillOutcome SpeakLine(CSoundLibrary& library, const QString& line, int rate) {
    FillOutcome outcome;
    outcome.source = line;
    bool replaced = false;
    const std::string content = AnnotationFromText(line, &replaced);
    SpeechSound speech;
    if (!synthesiseSpeech(line, rate, speech, &outcome.problem))
        return outcome;
    auto writer = [&speech](const std::string& gbkPath) {
        return writeReadySound(speech.samples.data(), static_cast<long long>(speech.samples.size()),
                               speech.sampleRate, 1, nativePath(gbkPath), g_ReadyChoice);
    };
    const SOUND_RECORD* record = library.FileSound(content, writer, &outcome.problem);
    if (!record)
        return outcome;
    outcome.code = record->Code.str();
    outcome.content = record->Content.str();
    outcome.problem = replaced ? uiText("有不能保存的字符，已换成“?”") : QString();
    return outcome;
}
