#include "library/SpeakText.h"

#include "library/Annotation.h"
#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/Speech.h"
#include "platform/WaveFile.h"

#include <QRegularExpression>
#include <QStringDecoder>

QStringList SpeechLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts)) {
        const QString kept = line.trimmed();
        if (!kept.isEmpty())
            lines << kept;
    }
    return lines;
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
        WaveFormat format;
        format.sampleRate = speech.sampleRate;
        return atomicReplace(nativePath(gbkPath), waveFileBytes(format, speech.samples.data(),
                                                                speech.samples.size() * sizeof(short)));
    };
    const SOUND_RECORD* record = library.FileSound(content, writer, &outcome.problem);
    if (!record)
        return outcome;
    outcome.code = record->Code.str();
    outcome.content = record->Content.str();
    outcome.problem = replaced ? QStringLiteral("有不能保存的字符，已换成“?”") : QString();
    return outcome;
}
