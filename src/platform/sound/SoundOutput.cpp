#include "platform/sound/SoundOutput.h"

#include "platform/core/Trace.h"
#include "platform/soundfile/SoundFile.h"

#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

// Decoded sounds kept for replays: a few recent ones, within a memory bound, and none larger than one entry
// may be (about three minutes of mono sound).
constexpr std::size_t kCacheEntries = 8;
constexpr qsizetype kCacheBytes = 64 * 1024 * 1024;
constexpr qsizetype kEntryBytes = 16 * 1024 * 1024;
// Sound decoded during the play call, and per step while it plays.
constexpr int kFirstPieceMs = 250;
constexpr int kChunkMs = 250;
// Steps per feed, so that a stream taking everything cannot keep the user-interface thread busy.
constexpr int kChunksPerFeed = 8;
// A sound up to this long is made ready whole before it plays; of a longer one, this much of its start is
// looked at for the first word.
constexpr int kReadyWholeSeconds = 60;
constexpr int kLongHeadSeconds = 3;
// The stream is fed at this interval while decoded sound waits or the file is not done.
constexpr int kFeedMs = 10;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QAudioFormat pcmFormat(int rate, int channels) {
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

} // namespace

CSoundOutput::CSoundOutput(QObject* parent) : QObject(parent) {
    m_FeedTimer = new QTimer(this);
    m_FeedTimer->setInterval(kFeedMs);
    connect(m_FeedTimer, &QTimer::timeout, this, &CSoundOutput::feed);
}

CSoundOutput::~CSoundOutput() {
    stop();
    m_Spare = Stream();
}

QAudioFormat CSoundOutput::streamFormat() {
    return pcmFormat(44100, 1);
}

bool CSoundOutput::deviceAvailable() {
    return CPulseOutput::serverAvailable();
}

void CSoundOutput::prepare(std::vector<std::string> nativePaths) {
    m_Plans.prepare(std::move(nativePaths), g_ReadyChoice, kReadyWholeSeconds);
}

void CSoundOutput::warm() {
    openSpare();
}

bool CSoundOutput::openStream(Stream& s, const QAudioFormat& format) {
    s = Stream();
    const quint64 id = ++m_LastStreamId;
    // The events come on the connection's thread: they are handled here, in order, on ours.
    auto pulse = m_Pulse.open(format, [this, id](CPulseStream::Event event) {
        QMetaObject::invokeMethod(
            this, [this, id, event] { onStreamEvent(id, event); }, Qt::QueuedConnection);
    });
    if (!pulse)
        return false;
    s.pulse = std::move(pulse);
    s.format = format;
    s.id = id;
    return true;
}

void CSoundOutput::onStreamEvent(quint64 id, CPulseStream::Event event) {
    if (id != m_Current.id || !m_Current.pulse)
        return;
    if (event == CPulseStream::Event::Failed)
        fail();
    else if (m_Pending.isEmpty() && !m_Source)
        m_Playing = false;
}

void CSoundOutput::openSpare() {
    m_SpareScheduled = false;
    if (m_Spare.pulse && m_Spare.pulse->ready())
        return;
    openStream(m_Spare, streamFormat());
}

void CSoundOutput::scheduleSpare() {
    if (m_SpareScheduled || m_Spare.pulse)
        return;
    // After the handler has returned: the sound already playing comes first.
    m_SpareScheduled = true;
    QTimer::singleShot(0, this, &CSoundOutput::openSpare);
}

bool CSoundOutput::takeStream(const QAudioFormat& format) {
    if (m_Spare.pulse && m_Spare.format == format && m_Spare.pulse->ready()) {
        m_Current = std::move(m_Spare);
        m_Spare = Stream();
    } else {
        // A spare of another format, or one the server dropped while it went away, is of no use.
        if (m_Spare.pulse && !m_Spare.pulse->ready())
            m_Spare = Stream();
        if (!openStream(m_Current, format))
            return false;
    }
    scheduleSpare();
    return true;
}

void CSoundOutput::write(const char* data, qsizetype size) {
    if (!m_Current.pulse || size <= 0)
        return;
    if (!m_Pending.isEmpty()) {
        m_Pending.append(data, size);
        return;
    }
    qint64 n = m_Current.pulse->write(data, size);
    if (n > 0 && m_FirstFrameNs == 0)
        m_FirstFrameNs = nowNs();
    if (n < 0) {
        // The stream failed since it was opened: reported like any later failure.
        QMetaObject::invokeMethod(
            this, [this, id = m_Current.id] { onStreamEvent(id, CPulseStream::Event::Failed); },
            Qt::QueuedConnection);
        n = 0;
    }
    if (n < size) {
        m_Pending.append(data + n, size - qsizetype(n));
        m_FeedTimer->start();
    }
}

void CSoundOutput::feed() {
    if (!m_Current.pulse) {
        m_FeedTimer->stop();
        return;
    }
    if (!m_Pending.isEmpty()) {
        qint64 n = m_Current.pulse->write(m_Pending.constData(), m_Pending.size());
        if (n < 0) {
            fail();
            return;
        }
        if (n > 0) {
            if (m_FirstFrameNs == 0)
                m_FirstFrameNs = nowNs();
            m_Pending.remove(0, qsizetype(n));
        }
    }
    // More is decoded only once the stream has taken everything before it: that bounds the memory.
    for (int i = 0; i < kChunksPerFeed && m_Source && m_Pending.isEmpty(); ++i)
        decodeChunk(qsizetype(m_Current.format.sampleRate()) * kChunkMs / 1000);
    if (m_Pending.isEmpty() && !m_Source) {
        m_FeedTimer->stop();
        drainIfWritten();
    }
}

void CSoundOutput::drainIfWritten() {
    if (m_Playing && m_Current.pulse && m_Pending.isEmpty() && !m_Source)
        m_Current.pulse->drain();
}

void CSoundOutput::decodeChunk(qsizetype frames) {
    const int channels = m_Current.format.channelCount();
    QByteArray piece(frames * channels * qsizetype(sizeof(std::int16_t)), Qt::Uninitialized);
    long long n = m_Source->read(reinterpret_cast<std::int16_t*>(piece.data()), frames);
    if (n <= 0) {
        if (!m_Source->error().empty())
            trace("CSoundOutput: decoding stopped early: %s\n", m_Source->error().c_str());
        finishDecoding();
        return;
    }
    piece.truncate(qsizetype(n) * channels * qsizetype(sizeof(std::int16_t)));
    if (m_Keeping) {
        if (m_Decoded.pcm.size() + piece.size() <= kEntryBytes) {
            m_Decoded.pcm.append(piece);
        } else {
            m_Keeping = false;
            m_Decoded.pcm = QByteArray();
        }
    }
    write(piece.constData(), piece.size());
    if (n < frames)
        finishDecoding();
}

void CSoundOutput::finishDecoding() {
    m_Source.reset();
    if (m_Keeping && !m_Decoded.pcm.isEmpty())
        remember(std::move(m_Decoded));
    m_Decoded = CachedSound();
    m_Keeping = false;
}

void CSoundOutput::stop() {
    m_FeedTimer->stop();
    m_Pending.clear();
    m_Source.reset();
    m_Decoded = CachedSound();
    m_Keeping = false;
    // Dropping the stream drops what the server still holds of it: the sound ends now.
    m_Current = Stream();
    m_Playing = false;
}

bool CSoundOutput::isPlaying() const {
    return m_Playing;
}

void CSoundOutput::fail() {
    bool wasPlaying = m_Playing;
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
    m_LastWasMp3 = false;
    // A stray partial frame at the end could never be taken.
    const qsizetype bytes = pcm.size() - pcm.size() % std::max(1, format.bytesPerFrame());
    write(pcm.constData(), bytes);
    drainIfWritten();
    return true;
}

SoundOpen CSoundOutput::play(const std::string& nativePath) {
    m_RequestNs = nowNs();
    m_FirstFrameNs = 0;
    stop();
    FileStamp stamp;
    if (int error = fileStamp(nativePath, stamp))
        return error == ENOENT || error == ENOTDIR ? SoundOpen::NotFound : SoundOpen::Unplayable;
    const ReadyChoice choice = g_ReadyChoice;
    if (const CachedSound* hit = findCached(nativePath, stamp, choice)) {
        if (!takeStream(hit->format))
            return SoundOpen::Unplayable;
        m_Playing = true;
        m_LastWasMp3 = hit->mp3;
        write(hit->pcm.constData(), hit->pcm.size());
        drainIfWritten();
        return SoundOpen::Started;
    }
    auto source = std::make_unique<CSoundFile>();
    switch (source->open(nativePath)) {
    case SoundFileStatus::Ok:
        break;
    case SoundFileStatus::Missing:
        return SoundOpen::NotFound;
    case SoundFileStatus::Undecodable:
        trace("CSoundOutput: %s: %s\n", nativePath.c_str(), source->error().c_str());
        return SoundOpen::Unplayable;
    }
    if (choice.trim || choice.level)
        return playReady(std::move(source), nativePath, stamp, choice);
    const QAudioFormat format = pcmFormat(source->sampleRate(), source->channels());
    const qsizetype frames = qsizetype(format.sampleRate()) * kFirstPieceMs / 1000 + 1;
    QByteArray first(frames * format.bytesPerFrame(), Qt::Uninitialized);
    long long n = source->read(reinterpret_cast<std::int16_t*>(first.data()), frames);
    if (n == 0 && (source->frames() > 0 || !source->error().empty())) {
        trace("CSoundOutput: %s: %s\n", nativePath.c_str(),
              source->error().empty() ? "no frame decodes" : source->error().c_str());
        return SoundOpen::Unplayable;
    }
    first.truncate(qsizetype(n) * format.bytesPerFrame());
    if (!takeStream(format))
        return SoundOpen::Unplayable;
    m_LastWasMp3 = source->isMp3();
    m_Playing = !first.isEmpty();
    m_Decoded = CachedSound{nativePath, stamp, format, first, m_LastWasMp3, choice};
    m_Keeping = true;
    m_Source = std::move(source);
    write(first.constData(), first.size());
    if (n < frames) {
        finishDecoding();
        drainIfWritten();
    } else {
        m_FeedTimer->start();
    }
    return SoundOpen::Started;
}

SoundOpen CSoundOutput::playReady(std::unique_ptr<CSoundFile> source, const std::string& path,
                                  const FileStamp& stamp, ReadyChoice choice) {
    const int rate = source->sampleRate(), channels = source->channels();
    const QAudioFormat format = pcmFormat(rate, channels);
    const bool knownShort = source->frames() > 0 && source->frames() <= (long long)rate * kReadyWholeSeconds;
    const long long budget = (long long)rate * (knownShort ? kReadyWholeSeconds : kLongHeadSeconds);
    // An estimate that was short (some MP3s) still ends at the budget: the rest streams as for a long sound.
    std::vector<std::int16_t> pcm;
    const bool ended = decodeHead(*source, budget, pcm);
    const long long decoded = static_cast<long long>(pcm.size()) / std::max(1, channels);
    if (decoded == 0 && (source->frames() > 0 || !source->error().empty())) {
        trace("CSoundOutput: %s: %s\n", path.c_str(),
              source->error().empty() ? "no frame decodes" : source->error().c_str());
        return SoundOpen::Unplayable;
    }
    if (ended && !source->error().empty())
        trace("CSoundOutput: decoding stopped early: %s\n", source->error().c_str());
    long long from = 0;
    if (ended) {
        ReadyCut cut;
        // Worked out ahead when the book was prepared; a plan for fewer frames is from another sound.
        if (!m_Plans.find(path, stamp, choice, cut) || cut.to > decoded) {
            cut = planReady(pcm.data(), decoded, rate, channels, choice);
            m_Plans.remember(path, stamp, choice, cut);
        }
        applyReady(cut, pcm, channels);
    } else if (choice.trim) {
        from = readyPart(measureContent(pcm.data(), decoded, rate, channels), rate, ReadyChoice{true, false})
                   .from;
    }
    if (!takeStream(format))
        return SoundOpen::Unplayable;
    m_LastWasMp3 = source->isMp3();
    const auto bytes = qsizetype(pcm.size() - std::size_t(from * channels)) * qsizetype(sizeof(std::int16_t));
    m_Playing = bytes > 0 || !ended;
    write(reinterpret_cast<const char*>(pcm.data() + from * channels), bytes);
    if (ended) {
        if (bytes > 0 && bytes <= kEntryBytes)
            remember(CachedSound{path, stamp, format,
                                 QByteArray(reinterpret_cast<const char*>(pcm.data()), bytes), m_LastWasMp3,
                                 choice});
        drainIfWritten();
    } else {
        m_Source = std::move(source);
        m_FeedTimer->start();
    }
    return SoundOpen::Started;
}

const CSoundOutput::CachedSound* CSoundOutput::findCached(const std::string& path, const FileStamp& stamp,
                                                          ReadyChoice choice) {
    for (auto it = m_Cache.begin(); it != m_Cache.end(); ++it) {
        if (it->path != path)
            continue;
        if (!(it->choice == choice))
            return nullptr; // made ready otherwise: made again and replaced when it is remembered
        if (!(it->stamp == stamp)) {
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
            total -= it->pcm.size();
            it = m_Cache.erase(it);
        } else {
            ++kept;
            ++it;
        }
    }
}
