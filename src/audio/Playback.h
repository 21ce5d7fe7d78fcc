#pragma once
// Playback by code number: the main window hands UM_PLAY_CODE and UM_STOP_PLAY to one CPlayback, which
// looks the record up, stops what plays and plays the record's sound by its type. Destroying it stops the
// sound.
#include "platform/core/Messages.h"
#include "platform/sound/SoundOutput.h"

#include <QObject>
#include <QPointer>
#include <string>
#include <string_view>

class CSoundLibrary;

// The longest log line sent to the point-reading window, in bytes, without its terminator.
constexpr std::size_t kLogTextLimit = 1023;

class CPlayback : public QObject {
    Q_OBJECT
public:
    // Plays from the given library, or from the process-wide one when none is given.
    explicit CPlayback(CSoundLibrary* library = nullptr, QObject* parent = nullptr);
    ~CPlayback() override;

    // Opens the output stream ahead of the first sound; call once when the main window initialises.
    void Warm();
    // The window that gets the log lines (UM_LOG_TEXT); null while the point-reading window is closed.
    // Opening it also starts working out, in the background, how the book's sounds play ready.
    void SetLogWindow(QObject* window);
    QObject* LogWindow() const { return m_pLogWindow; }

    // UM_PLAY_CODE: plays the sound filed under the code number. Returns 0.
    LRESULT PlayCode(int code);
    // UM_STOP_PLAY, and the stop routine the play handler and the recording workflow call. Returns 0.
    LRESULT StopPlay();

    // -1 nothing playing, 0 a wave file was opened, 1 an MP3 file plays.
    int PlayKind() const { return m_PlayKind; }
    CSoundOutput& Output() { return m_Output; }

private:
    // Stands in for the MP3 player window: the file it was opened on, and whether it is open.
    struct Mp3Player {
        std::string FileName;
        bool Open = false;
    };

    void PlayWave(const std::string& gbkPath);
    void PlayMp3(const std::string& gbkPath);
    void PrepareSounds();
    void SendLog(std::string_view gbkText);
    void OnLateFailure();

    CSoundLibrary* m_pLibrary;
    int m_PlayKind = -1;
    // Counts the wave opens; the id of the last one, 0 before the first.
    unsigned m_WavDevice = 0;
    Mp3Player m_Mp3Player;
    QPointer<QObject> m_pLogWindow;
    CSoundOutput m_Output;
};

// Joins GBK parts into a line cut to at most limit bytes at a character boundary: the log line buffer.
std::string FormatGbkLine(std::initializer_list<std::string_view> parts, std::size_t limit = kLogTextLimit);
// The text (a Chinese key with %1, %2, ... in order) in the user's language with the GBK arguments in place,
// cut as FormatGbkLine cuts.
std::string FormatGbkText(const char* chinese, std::initializer_list<std::string_view> gbkArgs,
                          std::size_t limit = kLogTextLimit);
