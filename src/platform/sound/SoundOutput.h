#pragma once
// Sound output: plays a sound file by path, or PCM held in memory, and stops at once. Decoding is the
// sound-file module's job; this only hands PCM to the sound server.
//
// The pen must sound at once, so nothing here waits for a media pipeline: one push-mode audio stream is
// opened ahead of time and the first piece of a sound is written into it during the play call. The rest is
// decoded a chunk at a time while it plays, only as fast as the stream takes it, so an hour-long file costs
// no more memory than a short one. Cutting a sound off drops its stream, which silences it at once, and a
// fresh stream is opened for the next sound after the current request has returned. The decoded sound of
// the last few files is kept, keyed by path, size and time of last change, so a replay needs no decoding
// and a re-recorded file never plays stale; a sound too long for one entry is simply not kept.
//
// Every sound plays ready as the user chose (g_ReadyChoice): a sound of up to a minute is decoded whole in
// the play call, measured, and played from a short pad before its first word at the target loudness; what
// is kept for replays is that ready sound. A longer one starts before the first word found in its first
// seconds and plays at its own loudness: its level could be known only after decoding all of it. The
// files themselves are never changed.
//
// Whether the file is there and decodes is known before a play call returns; a failure that shows only
// later (a stream the server drops, a file that stops decoding half-way) is reported through the failure
// handler. When the sound server goes away, plays fail until it is back; the next play then connects again.
#include "platform/core/Files.h"
#include "platform/sound/PulseOutput.h"
#include "platform/soundfile/ReadyPlans.h"
#include "platform/soundfile/SoundLevel.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

class CSoundFile;
class QTimer;

enum class SoundOpen {
    Started,    // the sound is playing
    NotFound,   // there is no file at that path
    Unplayable, // the file cannot be read or decoded, or no output device
};

class CSoundOutput : public QObject {
    Q_OBJECT
public:
    explicit CSoundOutput(QObject* parent = nullptr);
    // Silences whatever plays.
    ~CSoundOutput() override;

    // The format of the stream kept open: 16-bit mono at 44.1 kHz, what recordings are made in.
    static QAudioFormat streamFormat();
    // True when a sound server answers.
    static bool deviceAvailable();

    // Opens the stream ahead of the first play. Call once at start-up, with the event loop running soon
    // after.
    void warm();

    // Works out in the background how these sounds (native paths) play ready, so that their first plays
    // need no measuring; replaces what was still to be done.
    void prepare(std::vector<std::string> nativePaths);
    CReadyPlans& plans() { return m_Plans; }

    // Plays any sound file the decoder reads, whatever its name says.
    SoundOpen play(const std::string& nativePath);
    // Plays PCM of the given format from its start.
    bool playPcm(const QByteArray& pcm, const QAudioFormat& format);
    // Silences the current sound at once (its stream is dropped, queued sound included).
    void stop();
    // True from a successful play call until stop, a later failure or the end of the written sound.
    bool isPlaying() const;
    // True when the sound last started is MPEG audio.
    bool lastWasMp3() const { return m_LastWasMp3; }

    // Called once when a started sound fails later. Not called for stop().
    void setFailureHandler(std::function<void()> handler) { m_OnFailure = std::move(handler); }

    // Monotonic times (ns, steady clock) of the last play request and of the moment its first frame was
    // handed to the sound server (0 until then): what the latency measurements read.
    qint64 requestNs() const { return m_RequestNs; }
    qint64 firstFrameNs() const { return m_FirstFrameNs; }
    // How many decoded sounds are kept.
    std::size_t cachedSounds() const { return m_Cache.size(); }
    // Decoded bytes held for the sound playing now, beyond what the stream has taken.
    qsizetype pendingBytes() const { return m_Pending.size(); }

private:
    struct CachedSound {
        std::string path;
        FileStamp stamp;
        QAudioFormat format;
        QByteArray pcm;
        bool mp3 = false;
        ReadyChoice choice; // what the sound was made ready with
    };
    struct Stream {
        std::unique_ptr<CPulseStream> pulse;
        QAudioFormat format;
        quint64 id = 0; // tells the stream's late events from those of a stream dropped since
    };

    bool openStream(Stream& s, const QAudioFormat& format);
    void onStreamEvent(quint64 id, CPulseStream::Event event);
    // Once the whole sound is with the server, asks to hear when it has played.
    void drainIfWritten();
    bool takeStream(const QAudioFormat& format);
    void scheduleSpare();
    void openSpare();
    // Hands data to the stream; what it does not take now waits in m_Pending.
    void write(const char* data, qsizetype size);
    void feed();
    void decodeChunk(qsizetype frames);
    void finishDecoding();
    void fail();
    // Plays the opened source made ready as chosen.
    SoundOpen playReady(std::unique_ptr<CSoundFile> source, const std::string& path, const FileStamp& stamp,
                        ReadyChoice choice);
    const CachedSound* findCached(const std::string& path, const FileStamp& stamp, ReadyChoice choice);
    void remember(CachedSound sound);

    // Declared before the streams: they must go first.
    CPulseOutput m_Pulse;
    Stream m_Current;
    Stream m_Spare;
    quint64 m_LastStreamId = 0;
    bool m_SpareScheduled = false;
    QByteArray m_Pending;
    QTimer* m_FeedTimer = nullptr;
    bool m_Playing = false;
    bool m_LastWasMp3 = false;
    std::function<void()> m_OnFailure;

    // The file still being decoded into the stream, and its sound so far while it may still be kept.
    std::unique_ptr<CSoundFile> m_Source;
    CachedSound m_Decoded;
    bool m_Keeping = false;
    std::list<CachedSound> m_Cache;
    CReadyPlans m_Plans;

    qint64 m_RequestNs = 0;
    qint64 m_FirstFrameNs = 0;
};
