#include "platform/sound/SoundInput.h"

#include "platform/core/Files.h"
#include "platform/core/TempFiles.h"
#include "platform/core/Trace.h"
#include "platform/sound/SoundOutput.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/WaveFile.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QDir>
#include <QMediaDevices>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {
constexpr qint64 kHeaderBytes = kWaveHeaderBytes;
// The wave header's sizes are 32-bit; a recording stops growing well before that.
constexpr qint64 kMaxDataBytes = kWaveMaxDataBytes;

// Whole transfers at an offset: pwrite/pread may move less than asked, and a signal may interrupt them.
template <typename Buffer, typename Transfer>
bool transferAt(int fd, qint64 offset, Buffer* data, std::size_t size, Transfer transfer) {
    while (size > 0) {
        ssize_t n = transfer(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
        offset += n;
    }
    return true;
}

bool writeAt(int fd, qint64 offset, const char* data, std::size_t size) {
    return transferAt(fd, offset, data, size, ::pwrite);
}

std::string headerFor(qint64 dataBytes) {
    const QAudioFormat f = CSoundInput::recordingFormat();
    return waveHeader(WaveFormat{f.sampleRate(), f.channelCount(), f.bytesPerSample() * 8, false},
                      std::uint32_t(dataBytes));
}
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
    // The header is written with zero sizes now and completed when the recording ends. The file is written
    // through its descriptor only, so that no buffered write can fail unseen.
    const std::string header = headerFor(0);
    if (!writeAt(file->handle(), 0, header.data(), header.size())) {
        trace("CSoundInput::start(): cannot write to %s\n", qPrintable(file->fileName()));
        return false;
    }
    auto source = std::make_unique<QAudioSource>(device, recordingFormat());
    QIODevice* io = source->start();
    if (!io || source->error() != QAudio::NoError || source->state() == QAudio::StoppedState) {
        trace("CSoundInput::start(): the input cannot record (error %d)\n", int(source->error()));
        return false;
    }
    connect(io, &QIODevice::readyRead, this, &CSoundInput::takeData);
    connect(source.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (m_Recording && state == QAudio::StoppedState && m_Source->error() != QAudio::NoError) {
            trace("CSoundInput: the input stopped (error %d)\n", int(m_Source->error()));
            m_Broken = true;
        }
    });
    m_File = std::move(file);
    holdTempFile(QFile::encodeName(m_File->fileName()).toStdString());
    m_Source = std::move(source);
    m_SourceIo = io;
    m_Bytes = 0;
    m_RecentPeak = m_TakePeak = 0;
    m_Broken = false;
    m_Recording = true;
    return true;
}

void CSoundInput::takeData() {
    if (!m_Recording || !m_SourceIo)
        return;
    const QByteArray data = m_SourceIo->readAll();
    if (data.isEmpty() || m_Broken)
        return;
    if (kHeaderBytes + m_Bytes + data.size() > kHeaderBytes + kMaxDataBytes)
        return; // the header cannot describe more: the take ends here
    if (!writeAt(m_File->handle(), kHeaderBytes + m_Bytes, data.constData(), std::size_t(data.size()))) {
        trace("CSoundInput: the take cannot be written to %s\n", qPrintable(m_File->fileName()));
        m_Broken = true;
        return;
    }
    notePeaks(data);
    m_Bytes += data.size();
}

void CSoundInput::notePeaks(const QByteArray& data) {
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        // Samples start at even offsets of the take; one may be split between two reads.
        if (((m_Bytes + i) & 1) == 0) {
            m_LowByte = byte;
            continue;
        }
        const int sample = std::abs(static_cast<int>(static_cast<qint16>((byte << 8) | m_LowByte)));
        m_RecentPeak = std::max(m_RecentPeak, sample);
        m_TakePeak = std::max(m_TakePeak, sample);
    }
}

double CSoundInput::capturedSeconds() const {
    const QAudioFormat f = recordingFormat();
    return double(m_Bytes) / (f.bytesPerFrame() * f.sampleRate());
}

double CSoundInput::takeRecentPeak() {
    const double peak = m_RecentPeak / 32768.0;
    m_RecentPeak = 0;
    return peak;
}

double CSoundInput::recordingPeak() const {
    return m_TakePeak / 32768.0;
}

bool CSoundInput::stop() {
    if (!m_Recording)
        return m_File != nullptr && !m_Broken;
    takeData();
    m_Source->stop();
    m_Recording = false;
    if (!finishFile()) {
        discard();
        return false;
    }
    return true;
}

bool CSoundInput::finishFile() {
    if (!m_File || m_Broken)
        return false;
    m_Bytes -= m_Bytes % recordingFormat().bytesPerFrame();
    const std::string header = headerFor(m_Bytes);
    if (::ftruncate(m_File->handle(), kHeaderBytes + m_Bytes) != 0 ||
        !writeAt(m_File->handle(), 0, header.data(), header.size()) || ::fdatasync(m_File->handle()) != 0) {
        trace("CSoundInput: the recording cannot be completed\n");
        return false;
    }
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
    if (!stop())
        return false;
    // Streamed from the take's file and made ready as a filing would make it, so the user hears what is
    // filed.
    if (!m_Output)
        m_Output = std::make_unique<CSoundOutput>();
    return m_Output->play(QFile::encodeName(m_File->fileName()).toStdString()) == SoundOpen::Started;
}

void CSoundInput::stopPlayBack() {
    if (m_Output)
        m_Output->stop();
}

bool CSoundInput::saveAs(const std::string& nativePath) {
    if (!m_File)
        return false;
    if (!stop())
        return false;
    return writeReadySound(QFile::encodeName(m_File->fileName()).toStdString(), nativePath, g_ReadyChoice);
}

void CSoundInput::discard() {
    stopPlayBack();
    if (m_Source) {
        m_Source->stop();
        m_Source.reset();
    }
    m_SourceIo = nullptr;
    m_Recording = false;
    m_Broken = false;
    if (m_File)
        releaseTempFile(QFile::encodeName(m_File->fileName()).toStdString());
    m_File.reset();
    m_Bytes = 0;
    m_RecentPeak = m_TakePeak = 0;
}
