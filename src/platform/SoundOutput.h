#pragma once
// Sound output: plays a wave or MP3 file by path, or PCM held in memory, and stops at once.
//
// The pen must sound at once, so nothing here waits for a media pipeline: one push-mode audio stream is
// opened ahead of time and a whole clip is written into it in one go (the sound server buffers it). Cutting a
// sound off drops its stream, which silences it at once, and a fresh stream is opened for the next sound
// after the current request has returned. MP3 files are decoded to PCM; the decoded sound of the last few
// files is kept, keyed by path, size and time of last change, so a replay is as quick as a wave file and a
// re-recorded file never plays stale.
//
// Checks that can be made at once (the file is there, can be read, has the right header) are made before
// a play call returns; a failure that shows only later (an MP3 that does not decode, a stream the server
// drops) is reported through the failure handler.
#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <list>
#include <memory>
#include <string>

class QAudioDecoder;
class QAudioSink;
class QIODevice;
class QTimer;

enum class SoundOpen {
    Started,    // the sound is playing (or, for an MP3 not yet decoded, decoding into the stream)
    NotFound,   // there is no file at that path
    Unplayable, // the file cannot be read or is not a sound of that kind, or no output device
};

// The PCM of a wave file: its format and its sample bytes.
struct WaveData {
    QAudioFormat format;
    QByteArray pcm;
};
// Reads a RIFF wave file (PCM 8/16/32-bit or 32-bit float). False when it is no such file.
bool parseWave(const QByteArray& file, WaveData& out);
// A 44-byte RIFF header for PCM of the given format and byte count.
QByteArray waveHeader(const QAudioFormat& format, quint32 dataBytes);

class CSoundOutput : public QObject {
    Q_OBJECT
public:
    explicit CSoundOutput(QObject* parent = nullptr);
    // Silences whatever plays.
    ~CSoundOutput() override;

    // The format of the stream kept open, and of decoded MP3 sound: 16-bit mono at 44.1 kHz.
    static QAudioFormat streamFormat();
    // True when the system has an output device.
    static bool deviceAvailable();

    // Opens the stream and runs the MP3 decoder once on a tiny file, so the first play is as quick as
    // the later ones. Call once at start-up, with the event loop running soon after.
    void warm();

    SoundOpen playWave(const std::string& nativePath);
    SoundOpen playMp3(const std::string& nativePath);
    // Plays PCM of the given format from its start.
    bool playPcm(const QByteArray& pcm, const QAudioFormat& format);
    // Silences the current sound at once (its stream is dropped, queued sound included).
    void stop();
    // True from a successful play call until stop, a later failure or the end of the written sound.
    bool isPlaying() const;

    // Called once when a started sound fails later. Not called for stop().
    void setFailureHandler(std::function<void()> handler) { m_OnFailure = std::move(handler); }

    // Monotonic times (ns, steady clock) of the last play request and of the moment its first frame was
    // handed to the sound server (0 until then): what the latency measurements read.
    qint64 requestNs() const { return m_RequestNs; }
    qint64 firstFrameNs() const { return m_FirstFrameNs; }
    // How many decoded MP3 sounds are kept.
    std::size_t cachedSounds() const { return m_Cache.size(); }

private:
    struct CachedSound {
        std::string path;
        long long size = 0;
        long long mtimeNs = 0;
        QByteArray pcm;
    };
    struct Stream {
        std::unique_ptr<QAudioSink> sink;
        QIODevice* io = nullptr;
        QAudioFormat format;
    };

    bool openStream(Stream& s, const QAudioFormat& format);
    bool takeStream(const QAudioFormat& format);
    void scheduleSpare();
    void openSpare();
    void write(const char* data, qsizetype size);
    void feedPending();
    void fail();
    void onDecoderBuffer();
    void onDecoderFinished();
    void onDecoderError();
    void resetDecoder();
    const CachedSound* findCached(const std::string& path, long long size, long long mtimeNs);
    void remember(CachedSound sound);

    Stream m_Current;
    Stream m_Spare;
    bool m_SpareScheduled = false;
    QByteArray m_Pending;
    QTimer* m_FeedTimer = nullptr;
    bool m_Playing = false;
    std::function<void()> m_OnFailure;

    std::unique_ptr<QAudioDecoder> m_Decoder;
    bool m_Decoding = false;
    bool m_Warming = false;
    bool m_Trimming = false;
    CachedSound m_Decoded;
    QString m_WarmFile;
    std::list<CachedSound> m_Cache;

    qint64 m_RequestNs = 0;
    qint64 m_FirstFrameNs = 0;
};
