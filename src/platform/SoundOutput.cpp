#include "platform/SoundOutput.h"

#include "platform/Files.h"
#include "platform/Trace.h"

#include <QAudioBuffer>
#include <QAudioDecoder>
#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

// A tenth of a second of silence as MP3: decoding it once at start-up loads the decoder's plug-ins, which
// otherwise delays the first MP3 by a few hundred milliseconds.
const unsigned char kWarmMp3[] = {
    0xff, 0xf3, 0x40, 0xc4, 0x00, 0x11, 0x82, 0x29, 0xf0, 0xe0, 0x08, 0x46, 0xfc, 0x28, 0x80, 0x59, 0x8f,
    0x1e, 0xc9, 0x48, 0x06, 0xe4, 0x0b, 0x24, 0x6e, 0x51, 0x8e, 0xb4, 0x72, 0x50, 0x03, 0xc6, 0xff, 0x20,
    0x49, 0x7c, 0x70, 0x01, 0x47, 0x20, 0x7f, 0x04, 0x0a, 0x04, 0x40, 0x31, 0xf0, 0x2f, 0x1c, 0xbc, 0x71,
    0xfc, 0xfe, 0x21, 0x68, 0xfc, 0x4a, 0x7f, 0x42, 0x08, 0x4a, 0xde, 0x27, 0x2e, 0xfc, 0xf9, 0x47, 0x08,
    0x01, 0xf7, 0xff, 0x02, 0x3a, 0x18, 0x89, 0xc1, 0xf3, 0xfa, 0x8e, 0x44, 0x60, 0xfc, 0x10, 0xa1, 0x10,
    0x10, 0x54, 0xec, 0xca, 0x65, 0x80, 0xaa, 0x84, 0x70, 0x52, 0x76, 0x8e, 0x49, 0x4e, 0x58, 0x1a, 0xd1,
    0x82, 0x40, 0xff, 0xf3, 0x42, 0xc4, 0x15, 0x12, 0x82, 0x56, 0x0c, 0xca, 0x08, 0x47, 0x1c, 0x24, 0x1b,
    0xa6, 0xbb, 0xdc, 0xa5, 0x1b, 0xd7, 0xb1, 0xc4, 0x1d, 0x46, 0x8b, 0x18, 0x96, 0xc0, 0x8a, 0x65, 0x0c,
    0xec, 0xde, 0x07, 0x2e, 0x42, 0xcd, 0x10, 0x59, 0x94, 0xeb, 0xce, 0x99, 0x51, 0xef, 0x0d, 0xbc, 0x7a,
    0x60, 0x95, 0x6a, 0x5d, 0x6e, 0x08, 0x01, 0x69, 0x98, 0xd8, 0x71, 0x87, 0x9a, 0x92, 0x60, 0x62, 0x2b,
    0x85, 0x62, 0x9a, 0x96, 0x59, 0x1c, 0x75, 0x0e, 0x9d, 0x8a, 0x93, 0xbe, 0x38, 0x59, 0xc6, 0x8c, 0xd4,
    0xe6, 0x20, 0xd5, 0x0b, 0x1f, 0x73, 0x6c, 0x28, 0x00, 0xf3, 0xcc, 0x63, 0x15, 0x1c, 0xe6, 0xd4, 0xa2,
    0x63, 0x66, 0x59, 0x50, 0x6c, 0xff, 0xf3, 0x40, 0xc4, 0x27, 0x0f, 0xc0, 0x02, 0x1d, 0x94, 0x08, 0x46,
    0x00, 0x64, 0xae, 0x51, 0x1c, 0xed, 0x02, 0xab, 0x87, 0xd2, 0x99, 0xbd, 0xa9, 0x4e, 0x2f, 0xb5, 0xb2,
    0x00, 0x77, 0xb0, 0x8e, 0x45, 0x48, 0xad, 0xcb, 0xa6, 0x96, 0xe6, 0x9f, 0xa9, 0x0d, 0xea, 0xb5, 0x97,
    0x3e, 0xaa, 0x9c, 0x64, 0x65, 0x7b, 0x5a, 0xd7, 0xc5, 0x55, 0xb5, 0xe6, 0x75, 0x7e, 0x8a, 0x10, 0xe2,
    0xec, 0xe1, 0x44, 0xa8, 0xf2, 0x8f, 0xb0, 0x8d, 0xaa, 0x5d, 0x55, 0x52, 0xae, 0xc6, 0xcd, 0xb0, 0x55,
    0x56, 0xc6, 0xf7, 0xdb, 0x82, 0x4f, 0xa9, 0xe4, 0x62, 0xb5, 0xf6, 0x25, 0xd5, 0x4b, 0xfd, 0x7f, 0xfe,
    0xaa, 0xb1, 0xb3, 0x33, 0x33, 0x37, 0xff, 0xff, 0xf3, 0x42, 0xc4, 0x43, 0x0d, 0xb0, 0x06, 0x25, 0x94,
    0x08, 0x44, 0x00, 0xfa, 0x9f, 0xea, 0xaa, 0xa0, 0x2c, 0xc6, 0xbe, 0xab, 0xc6, 0x66, 0xe2, 0x10, 0x73,
    0x0a, 0xcb, 0x0a, 0x90, 0xb8, 0x85, 0xfc, 0x4e, 0x26, 0x27, 0xe2, 0x10, 0xbe, 0x4e, 0x4c, 0x85, 0x10,
    0x9e, 0x59, 0x79, 0xff, 0xc2, 0x1e, 0x29, 0x84, 0x21, 0x31, 0x08, 0x42, 0x35, 0xff, 0xab, 0xf5, 0x55,
    0x55, 0x40, 0x43, 0x68, 0x06, 0x9e, 0x25, 0xa3, 0x5c, 0x15, 0x76, 0x22, 0x0e, 0xaa, 0x4c, 0x41, 0x4d,
    0x45, 0x33, 0x2e, 0x31, 0x30, 0x30, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xff, 0xf3, 0x40, 0xc4, 0x68, 0x12, 0x4a,
    0xcd, 0xf0, 0x00, 0x18, 0x47, 0x74, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xff, 0xf3, 0x42, 0xc4, 0x79,
    0x00, 0x00, 0x03, 0x48, 0x00, 0x00, 0x00, 0x00, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa,
    0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa};

// Decoded sounds kept for replays: a few recent ones, within a memory bound.
constexpr std::size_t kCacheEntries = 8;
constexpr qsizetype kCacheBytes = 64 * 1024 * 1024;
// The decoder starts with encoder-delay silence; at most this much near-silence is cut from the start.
constexpr int kTrimMs = 60;
constexpr int kTrimLevel = 64;
// Pending sound the stream did not take at once is fed at this interval.
constexpr int kFeedMs = 10;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

quint32 le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}
quint16 le16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | u[1] << 8);
}
void put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

// Whether the bytes begin like an MP3 file: an ID3 tag or an MPEG audio frame header.
bool looksLikeMp3(const QByteArray& head) {
    if (head.startsWith("ID3"))
        return true;
    if (head.size() < 2)
        return false;
    auto b0 = static_cast<unsigned char>(head[0]);
    auto b1 = static_cast<unsigned char>(head[1]);
    return b0 == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x06) != 0;
}

struct FileStamp {
    int error = 0;
    long long size = 0;
    long long mtimeNs = 0;
};
FileStamp stampOf(const std::string& path) {
    FileStamp f;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        f.error = errno;
        return f;
    }
    if (!S_ISREG(st.st_mode)) {
        f.error = EISDIR;
        return f;
    }
    f.size = st.st_size;
    f.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return f;
}
bool isMissing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

} // namespace

bool parseWave(const QByteArray& file, WaveData& out) {
    const char* p = file.constData();
    const qsizetype n = file.size();
    if (n < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    QAudioFormat format;
    qsizetype at = 12;
    while (at + 8 <= n) {
        const char* id = p + at;
        quint32 size = le32(p + at + 4);
        qsizetype body = at + 8;
        qsizetype avail = n - body;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (size < 16 || avail < 16)
                return false;
            quint16 tag = le16(p + body);
            quint16 channels = le16(p + body + 2);
            quint32 rate = le32(p + body + 4);
            quint16 bits = le16(p + body + 14);
            if (tag == 0xFFFE && size >= 26 && avail >= 26)
                tag = le16(p + body + 24); // the sub-format of an extensible header
            if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
                return false;
            QAudioFormat::SampleFormat sample = QAudioFormat::Unknown;
            if (tag == 1 && bits == 8)
                sample = QAudioFormat::UInt8;
            else if (tag == 1 && bits == 16)
                sample = QAudioFormat::Int16;
            else if (tag == 1 && bits == 32)
                sample = QAudioFormat::Int32;
            else if (tag == 3 && bits == 32)
                sample = QAudioFormat::Float;
            if (sample == QAudioFormat::Unknown)
                return false;
            format.setSampleRate(int(rate));
            format.setChannelCount(channels);
            format.setSampleFormat(sample);
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            // A recorder that was cut off leaves a size larger than the file: play what is there.
            qsizetype bytes = std::min<qsizetype>(size, avail);
            bytes -= bytes % format.bytesPerFrame();
            out.format = format;
            out.pcm = file.mid(body, bytes);
            return true;
        }
        if (size > quint32(avail))
            return false;
        at = body + qsizetype(size) + (size & 1);
    }
    return false;
}

QByteArray waveHeader(const QAudioFormat& format, quint32 dataBytes) {
    QByteArray h;
    h.reserve(44);
    const bool isFloat = format.sampleFormat() == QAudioFormat::Float;
    h.append("RIFF");
    put32(h, 36 + dataBytes);
    h.append("WAVEfmt ");
    put32(h, 16);
    put16(h, isFloat ? 3 : 1);
    put16(h, quint16(format.channelCount()));
    put32(h, quint32(format.sampleRate()));
    put32(h, quint32(format.sampleRate() * format.bytesPerFrame()));
    put16(h, quint16(format.bytesPerFrame()));
    put16(h, quint16(format.bytesPerSample() * 8));
    h.append("data");
    put32(h, dataBytes);
    return h;
}

CSoundOutput::CSoundOutput(QObject* parent) : QObject(parent) {
    m_FeedTimer = new QTimer(this);
    m_FeedTimer->setInterval(kFeedMs);
    connect(m_FeedTimer, &QTimer::timeout, this, &CSoundOutput::feedPending);
}

CSoundOutput::~CSoundOutput() {
    stop();
    m_Spare = Stream();
    if (!m_WarmFile.isEmpty())
        QFile::remove(m_WarmFile);
}

QAudioFormat CSoundOutput::streamFormat() {
    QAudioFormat f;
    f.setSampleRate(44100);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

bool CSoundOutput::deviceAvailable() {
    return !QMediaDevices::defaultAudioOutput().isNull();
}

void CSoundOutput::warm() {
    openSpare();
    if (m_Decoding || !m_WarmFile.isEmpty())
        return;
    // The decoder wants a file by absolute path; a private temporary one will do.
    QString name =
        QDir::tempPath() + QStringLiteral("/kiv-warm-%1.mp3").arg(QCoreApplication::applicationPid());
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(kWarmMp3), sizeof kWarmMp3) != qint64(sizeof kWarmMp3)) {
        trace("CSoundOutput::warm(): cannot write %s\n", qPrintable(name));
        return;
    }
    f.close();
    m_WarmFile = name;
    resetDecoder();
    m_Warming = true;
    m_Decoding = true;
    m_Decoder->setSource(QUrl::fromLocalFile(name));
    m_Decoder->start();
}

bool CSoundOutput::openStream(Stream& s, const QAudioFormat& format) {
    s = Stream();
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    auto sink = std::make_unique<QAudioSink>(device, format);
    QIODevice* io = sink->start();
    if (!io || sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        trace("CSoundOutput: the output stream cannot be opened (error %d)\n", int(sink->error()));
        return false;
    }
    s.sink = std::move(sink);
    s.io = io;
    s.format = format;
    return true;
}

void CSoundOutput::openSpare() {
    m_SpareScheduled = false;
    if (m_Spare.sink)
        return;
    openStream(m_Spare, streamFormat());
}

void CSoundOutput::scheduleSpare() {
    if (m_SpareScheduled || m_Spare.sink)
        return;
    // After the handler has returned: the sound already playing comes first.
    m_SpareScheduled = true;
    QTimer::singleShot(0, this, &CSoundOutput::openSpare);
}

bool CSoundOutput::takeStream(const QAudioFormat& format) {
    if (m_Spare.sink && m_Spare.format == format && m_Spare.sink->state() != QAudio::StoppedState) {
        m_Current = std::move(m_Spare);
        m_Spare = Stream();
    } else if (!openStream(m_Current, format)) {
        return false;
    }
    connect(m_Current.sink.get(), &QAudioSink::stateChanged, this,
            [this, sink = m_Current.sink.get()](QAudio::State state) {
                if (sink != m_Current.sink.get())
                    return;
                if (state == QAudio::StoppedState && sink->error() != QAudio::NoError)
                    fail();
                else if (state == QAudio::IdleState && m_Pending.isEmpty() && !m_Decoding)
                    m_Playing = false;
            });
    scheduleSpare();
    return true;
}

void CSoundOutput::write(const char* data, qsizetype size) {
    if (!m_Current.io || size <= 0)
        return;
    if (!m_Pending.isEmpty()) {
        m_Pending.append(data, size);
        return;
    }
    qint64 n = m_Current.io->write(data, size);
    if (n > 0 && m_FirstFrameNs == 0)
        m_FirstFrameNs = nowNs();
    if (n < 0)
        n = 0;
    if (n < size) {
        m_Pending.append(data + n, size - qsizetype(n));
        m_FeedTimer->start();
    }
}

void CSoundOutput::feedPending() {
    if (!m_Current.io || m_Pending.isEmpty()) {
        m_FeedTimer->stop();
        return;
    }
    qint64 n = m_Current.io->write(m_Pending.constData(), m_Pending.size());
    if (n > 0) {
        if (m_FirstFrameNs == 0)
            m_FirstFrameNs = nowNs();
        m_Pending.remove(0, qsizetype(n));
    }
    if (m_Pending.isEmpty())
        m_FeedTimer->stop();
}

void CSoundOutput::stop() {
    m_FeedTimer->stop();
    m_Pending.clear();
    if (m_Decoding && !m_Warming) {
        m_Decoder->stop();
        m_Decoding = false;
    }
    // Dropping the stream drops what the server still holds of it: the sound ends now.
    m_Current = Stream();
    m_Playing = false;
}

bool CSoundOutput::isPlaying() const {
    return m_Playing;
}

void CSoundOutput::fail() {
    bool wasPlaying = m_Playing || m_Decoding;
    stop();
    if (wasPlaying && m_OnFailure)
        m_OnFailure();
}

bool CSoundOutput::playPcm(const QByteArray& pcm, const QAudioFormat& format) {
    m_RequestNs = nowNs();
    m_FirstFrameNs = 0;
    stop();
    if (!format.isValid() || !takeStream(format))
        return false;
    m_Playing = true;
    write(pcm.constData(), pcm.size());
    return true;
}

SoundOpen CSoundOutput::playWave(const std::string& nativePath) {
    m_RequestNs = nowNs();
    m_FirstFrameNs = 0;
    stop();
    FileStamp stamp = stampOf(nativePath);
    if (stamp.error)
        return isMissing(stamp.error) ? SoundOpen::NotFound : SoundOpen::Unplayable;
    std::string bytes;
    if (!readWholeFile(nativePath, bytes))
        return SoundOpen::Unplayable;
    WaveData wave;
    if (!parseWave(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), wave))
        return SoundOpen::Unplayable;
    wave.pcm.detach();
    if (!takeStream(wave.format))
        return SoundOpen::Unplayable;
    m_Playing = true;
    write(wave.pcm.constData(), wave.pcm.size());
    return SoundOpen::Started;
}

SoundOpen CSoundOutput::playMp3(const std::string& nativePath) {
    m_RequestNs = nowNs();
    m_FirstFrameNs = 0;
    stop();
    FileStamp stamp = stampOf(nativePath);
    if (stamp.error)
        return isMissing(stamp.error) ? SoundOpen::NotFound : SoundOpen::Unplayable;
    QFile file(QString::fromStdString(nativePath));
    if (!file.open(QIODevice::ReadOnly))
        return SoundOpen::Unplayable;
    if (!looksLikeMp3(file.read(4)))
        return SoundOpen::Unplayable;
    file.close();
    if (const CachedSound* hit = findCached(nativePath, stamp.size, stamp.mtimeNs)) {
        if (!takeStream(streamFormat()))
            return SoundOpen::Unplayable;
        m_Playing = true;
        write(hit->pcm.constData(), hit->pcm.size());
        return SoundOpen::Started;
    }
    if (!takeStream(streamFormat()))
        return SoundOpen::Unplayable;
    resetDecoder();
    m_Decoded = CachedSound{nativePath, stamp.size, stamp.mtimeNs, QByteArray()};
    m_Trimming = true;
    m_Decoding = true;
    m_Playing = true;
    m_Decoder->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    m_Decoder->start();
    return SoundOpen::Started;
}

void CSoundOutput::resetDecoder() {
    if (!m_Decoder) {
        m_Decoder = std::make_unique<QAudioDecoder>();
        m_Decoder->setAudioFormat(streamFormat());
        connect(m_Decoder.get(), &QAudioDecoder::bufferReady, this, &CSoundOutput::onDecoderBuffer);
        connect(m_Decoder.get(), &QAudioDecoder::finished, this, &CSoundOutput::onDecoderFinished);
        connect(m_Decoder.get(), qOverload<QAudioDecoder::Error>(&QAudioDecoder::error), this,
                &CSoundOutput::onDecoderError);
    } else if (m_Decoding) {
        // A warm-up still running is simply abandoned for the real file.
        m_Decoder->stop();
    }
    m_Warming = false;
    m_Decoding = false;
}

void CSoundOutput::onDecoderBuffer() {
    while (m_Decoder->bufferAvailable()) {
        QAudioBuffer buffer = m_Decoder->read();
        if (!m_Decoding || m_Warming || !buffer.isValid())
            continue;
        if (buffer.format() != streamFormat()) {
            trace("CSoundOutput: the decoder gives an unexpected format\n");
            fail();
            return;
        }
        const char* data = buffer.constData<char>();
        qsizetype size = buffer.byteCount();
        if (m_Trimming) {
            // Cut the encoder's leading silence, but never more than kTrimMs in all.
            const auto* s = reinterpret_cast<const qint16*>(data);
            qsizetype samples = size / 2;
            qsizetype limit =
                qsizetype(streamFormat().sampleRate()) * kTrimMs / 1000 - m_Decoded.pcm.size() / 2;
            qsizetype skip = 0;
            while (skip < samples && skip < limit && std::abs(int(s[skip])) <= kTrimLevel)
                ++skip;
            if (skip < samples && skip < limit)
                m_Trimming = false;
            else if (skip >= limit)
                m_Trimming = false;
            data += skip * 2;
            size -= skip * 2;
        }
        m_Decoded.pcm.append(data, size);
        write(data, size);
    }
}

void CSoundOutput::onDecoderFinished() {
    if (m_Warming) {
        m_Warming = false;
        m_Decoding = false;
        return;
    }
    if (!m_Decoding)
        return;
    onDecoderBuffer();
    m_Decoding = false;
    if (m_Decoded.pcm.isEmpty()) {
        // Nothing came out of it: not a sound.
        m_Playing = true;
        fail();
        return;
    }
    remember(std::move(m_Decoded));
    m_Decoded = CachedSound();
}

void CSoundOutput::onDecoderError() {
    if (m_Warming) {
        trace("CSoundOutput::warm(): %s\n", qPrintable(m_Decoder->errorString()));
        m_Warming = false;
        m_Decoding = false;
        return;
    }
    if (!m_Decoding)
        return;
    trace("CSoundOutput: %s\n", qPrintable(m_Decoder->errorString()));
    m_Decoded = CachedSound();
    fail();
}

const CSoundOutput::CachedSound* CSoundOutput::findCached(const std::string& path, long long size,
                                                          long long mtimeNs) {
    for (auto it = m_Cache.begin(); it != m_Cache.end(); ++it) {
        if (it->path != path)
            continue;
        if (it->size != size || it->mtimeNs != mtimeNs) {
            m_Cache.erase(it); // the file changed since: its old sound must not play
            return nullptr;
        }
        m_Cache.splice(m_Cache.begin(), m_Cache, it);
        return &m_Cache.front();
    }
    return nullptr;
}

void CSoundOutput::remember(CachedSound sound) {
    for (auto it = m_Cache.begin(); it != m_Cache.end(); ++it) {
        if (it->path == sound.path) {
            m_Cache.erase(it);
            break;
        }
    }
    m_Cache.push_front(std::move(sound));
    qsizetype total = 0;
    std::size_t kept = 0;
    for (auto it = m_Cache.begin(); it != m_Cache.end();) {
        total += it->pcm.size();
        if (kept >= kCacheEntries || (kept > 0 && total > kCacheBytes)) {
            it = m_Cache.erase(it);
        } else {
            ++kept;
            ++it;
        }
    }
}
