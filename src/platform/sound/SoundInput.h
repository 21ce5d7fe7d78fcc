#pragma once
// Sound input: records the default input into a private temporary wave file, stops, plays the recording
// back from its start and saves it as a wave file. The recording never lives in a shared place (the current
// folder, a fixed name), and a save replaces its target atomically, so a full disk or a second copy of the
// program cannot leave a torn or foreign file behind. Every write of the take is checked: a take that could
// not be written whole (a full temporary folder) or that the input dropped half-way (the sound server went
// away) is a failed take, which stop() reports and which is never played back or saved.
#include <QAudioFormat>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

class QAudioSource;
class QTemporaryFile;
class CSoundOutput;

class CSoundInput : public QObject {
    Q_OBJECT
public:
    explicit CSoundInput(QObject* parent = nullptr);
    // Stops and drops the recording; its temporary file goes with it.
    ~CSoundInput() override;

    // 16-bit mono at 44.1 kHz: plenty for a voice, and the format the output keeps open.
    static QAudioFormat recordingFormat();
    // True when the system has an input device to record from.
    static bool deviceAvailable();

    // Drops any previous recording and starts a new one. False when no recording runs.
    bool start();
    // Ends the recording; it stays for playback and saving. False when the take is not whole: then it is
    // dropped, and there is nothing to play back or save.
    bool stop();
    bool isRecording() const;
    // True when a recording exists (running or stopped).
    bool hasRecording() const;
    // Seconds of sound captured by the running (or last) recording.
    double capturedSeconds() const;
    // The loudest sample (0..1 of full scale) since the last call; for a level meter.
    double takeRecentPeak();
    // The loudest sample (0..1) of the whole recording: a silent take shows here.
    double recordingPeak() const;

    // Plays the recording from its start, made ready as it will be saved; a second call starts it over. Stops
    // a running recording first.
    bool playBack();
    void stopPlayBack();
    // Writes the recording as a wave file to nativePath, trimmed and levelled as the user chose (streamed),
    // replacing the file atomically. Stops a running recording first. False when there is no recording or the
    // file cannot be written.
    bool saveAs(const std::string& nativePath);
    // Stops and forgets the recording.
    void discard();

    // The output used for playing back (for tests).
    CSoundOutput* output() const { return m_Output.get(); }

private:
    void takeData();
    bool finishFile();

    // Keeps the peaks of the 16-bit samples just taken.
    void notePeaks(const QByteArray& data);

    std::unique_ptr<QAudioSource> m_Source;
    // The input's own device: it goes away with the input's stream, even when the server drops that.
    QPointer<QIODevice> m_SourceIo;
    std::unique_ptr<QTemporaryFile> m_File;
    std::unique_ptr<CSoundOutput> m_Output;
    qint64 m_Bytes = 0;
    int m_RecentPeak = 0;
    int m_TakePeak = 0;
    unsigned char m_LowByte = 0; // of a sample whose high byte comes with the next read
    bool m_Recording = false;
    // A write of the take failed, or the input stopped by itself.
    bool m_Broken = false;
};
