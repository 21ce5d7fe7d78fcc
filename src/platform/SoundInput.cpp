#include "platform/SoundInput.h"

#include "platform/Files.h"
#include "platform/SoundOutput.h"
#include "platform/TempFiles.h"
#include "platform/Trace.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QDir>
#include <QMediaDevices>
#include <QTemporaryFile>

namespace {
constexpr qint64 kHeaderBytes = 44;
// The wave header's sizes are 32-bit; a recording stops growing well before that.
constexpr qint64 kMaxDataBytes = 0xFFFFFFFFLL - 36 - 1;
} // namespace

CSoundInput::CSoundInput(QObject* parent) : QObject(parent) {}

CSoundInput::~CSoundInput() {
    discard();
}

QAudioFormat CSoundInput::recordingFormat() {
    return CSoundOutput::streamFormat();
}

bool CSoundInput::deviceAvailable() {
    return !QMediaDevices::defaultAudioInput().isNull();
}

bool CSoundInput::start() {
    discard();
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        return false;
    auto file = std::make_unique<QTemporaryFile>(
        QDir::tempPath() + QString::fromStdString("/" + tempNamePrefix("kiv-recording-")) +
        QStringLiteral("XXXXXX.wav"));
    if (!file->open()) {
        trace("CSoundInput::start(): no temporary file in %s\n", qPrintable(QDir::tempPath()));
        return false;
    }
    // The header is written with zero sizes now and completed when the recording ends.
    QByteArray header = waveHeader(recordingFormat(), 0);
    if (file->write(header) != header.size())
        return false;
    auto source = std::make_unique<QAudioSource>(device, recordingFormat());
    source->start(file.get());
    if (source->error() != QAudio::NoError || source->state() == QAudio::StoppedState) {
        trace("CSoundInput::start(): the input cannot record (error %d)\n", int(source->error()));
        return false;
    }
    m_File = std::move(file);
    holdTempFile(QFile::encodeName(m_File->fileName()).toStdString());
    m_Source = std::move(source);
    m_Bytes = 0;
    m_Recording = true;
    return true;
}

void CSoundInput::stop() {
    if (!m_Recording)
        return;
    m_Source->stop();
    m_Recording = false;
    finishFile();
}

bool CSoundInput::finishFile() {
    if (!m_File)
        return false;
    qint64 size = m_File->size();
    qint64 data = std::clamp<qint64>(size - kHeaderBytes, 0, kMaxDataBytes);
    data -= data % recordingFormat().bytesPerFrame();
    m_Bytes = data;
    QByteArray header = waveHeader(recordingFormat(), quint32(data));
    if (!m_File->seek(0) || m_File->write(header) != header.size() || !m_File->flush()) {
        trace("CSoundInput: the recording cannot be completed\n");
        return false;
    }
    m_File->seek(kHeaderBytes + data);
    return true;
}

bool CSoundInput::isRecording() const {
    return m_Recording;
}

bool CSoundInput::hasRecording() const {
    return m_File != nullptr;
}

bool CSoundInput::playBack() {
    if (!m_File)
        return false;
    stop();
    if (!m_File->seek(kHeaderBytes))
        return false;
    QByteArray pcm = m_File->read(m_Bytes);
    if (!m_Output)
        m_Output = std::make_unique<CSoundOutput>();
    return m_Output->playPcm(pcm, recordingFormat());
}

void CSoundInput::stopPlayBack() {
    if (m_Output)
        m_Output->stop();
}

bool CSoundInput::saveAs(const std::string& nativePath) {
    if (!m_File)
        return false;
    stop();
    if (!m_File->flush())
        return false;
    return copyFile(m_File->fileName().toStdString(), nativePath);
}

void CSoundInput::discard() {
    stopPlayBack();
    if (m_Source) {
        m_Source->stop();
        m_Source.reset();
    }
    m_Recording = false;
    if (m_File)
        releaseTempFile(QFile::encodeName(m_File->fileName()).toStdString());
    m_File.reset();
    m_Bytes = 0;
}
