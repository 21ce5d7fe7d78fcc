#pragma once
// Running the real program under a display: copies KIV into a fresh folder (its program folder), starts
// it, finds its windows with xdotool and drives them with real X key events. Every step waits for what it
// brings about (a window, a focus, a file, a sound or its end), never for a time: the machine may be busy.
#include "support/SinkMonitor.h"
#include "support/TestSupport.h"
#include "support/XDoTool.h"

#include <QImage>
#include <QProcess>
#include <QString>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>

// How long a step may take on a busy machine (ms): the waits end as soon as what they wait for is there.
constexpr int kPatience = 20000;
// The main window's title; its caption adds " - " and the book's name.
inline const QString kMainTitle = QStringLiteral("KIV点读薄 V1.0");

class KivProcess {
public:
    KivProcess();
    ~KivProcess();
    const TempFolder& folder() const { return m_Folder; }
    std::string programFolder() const { return m_Folder.path() + "app/"; }
    std::string tempFolder() const { return m_Folder.path() + "tmp/"; } // the program's TMPDIR
    // The per-user book ($XDG_DATA_HOME/KIV/), which a first start opens.
    std::string userBook() const { return m_Folder.path() + "data/KIV/"; }
    // Starts the program with these arguments; false when no display is there. The program gets its own
    // data and configuration folders, kept from one start to the next.
    bool start(const QStringList& args = {});
    // Waits for a window by its title (see ::waitForWindow); its X id or "".
    QString waitForWindow(const QString& title, int timeoutMs = 15000) {
        return ::waitForWindow(title, timeoutMs);
    }
    // Sends real key events to a window (xdotool key names).
    bool key(const QString& window, const QString& keys) { return sendKeys(window, keys); }
    // Waits until the program's sound stream is on the sound server: opened at start, it lets the first
    // sound play at once.
    bool soundReady(int timeoutMs = 20000);
    // Starts the program, presses Return on the box it shows first until the window behind it shows; that
    // window, or "".
    QString startPast(const QString& box, const QString& next, const QStringList& args = {});
    // Waits for the program to end by itself; its exit code, or -1 on timeout.
    int waitForExit(int timeoutMs = 10000);
    // Sends SIGTERM, as a session's end or a plain kill does.
    void terminate();
    // All the program has written so far.
    QString output();
    // Waits until the program has written the text.
    bool said(const QString& text, int timeoutMs = 15000);

private:
    TempFolder m_Folder;
    QProcess m_Process;
    QString m_Output;
};

// Plays a sound file into the null sink, which the virtual microphone records; false when it could not.
bool speak(const std::string& wav);
// Where the tests leave their screenshots for a person to look at: next to the test binary.
std::string shotPath(const char* name);
// The window as it is on the screen, also kept as shotPath(name); null when it cannot be taken.
QImage screenshot(const QString& window, const char* name);
// The names in a folder.
std::set<std::string> entries(const std::string& folder);
// Presses Return on a box until the window behind it shows: a key sent while the box takes the focus is
// lost. The window, or "".
QString answerUntil(const QString& box, const QString& next);
// Waits until the sink has played something and been quiet for 0.4 s since (longer than a pause in speech).
bool playedToTheEnd(CSinkMonitor& sink, int timeoutMs = 15000);

// The whole-program tests' fixture: a display, a copy of the program (kiv), its main window (main) and
// point-reading window (reading) once shown, and the steps a user takes in them.
class E2eTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Starts the program and waits for its main window (title: its caption, or the start of it), and, in
    // the sound tests, for its sound stream.
    void startMain(const QStringList& args = {}, const QString& title = kMainTitle);
    // Answers a box found by its caption with keys and waits until it has gone.
    void answer(const QString& caption, const QString& keys);
    // Opens point reading with its button and waits until the window has the focus; leaves it with 退出.
    void openReading();
    void leaveReading();
    // Clicks (button 1 left, 3 right) to open a popup menu of the program, waits for it, types the keys
    // and waits until it has closed.
    void chooseFromMenu(int x, int y, const QString& keys, int button = 1);
    // Records with the record button, or with keys when given: once sound comes in, plays the wave file
    // (none: silence) into the microphone, lets the take hold pauses seconds of quiet before and after it,
    // stops and waits until the take is complete.
    void record(const std::string& wav = {}, double pauses = 0, const QString& keys = {});
    // The take of the recording under way once sound comes in, or "" after the timeout; before: the
    // temporary folder's names before the recording started (an old take stays until a new one starts).
    std::string growingTake(const std::set<std::string>& before);
    // Whether the take holds a sound followed by at least quietSeconds of quiet.
    static bool heardToTheEnd(const std::string& take, double quietSeconds = 0.4);
    // Does what may start a sound and, when one starts within 2 s, waits until it has played to its end.
    void untilPlayed(const std::function<void()>& action);
    // Escape in the main window ends the program, with exit code 0.
    void quit();

    bool m_Sound = false;
    KivProcess kiv;
    QString main;
    QString reading;
};

// With the sound server: every step in it waits for the program's sound stream.
class E2eSoundTest : public E2eTest {
protected:
    void SetUp() override;
};
