#pragma once
// Running the real program under a display: copies KIV into a fresh folder (its program folder), starts
// it, finds its windows with xdotool and drives them with real X key events.
#include "support/TestSupport.h"
#include "support/XDoTool.h"

#include <QProcess>
#include <QString>
#include <string>

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
    // Waits for the program to end by itself; its exit code, or -1 on timeout.
    int waitForExit(int timeoutMs = 10000);
    // Sends SIGTERM, as a session's end or a plain kill does.
    void terminate();
    QString output();

private:
    TempFolder m_Folder;
    QProcess m_Process;
};

// Plays a sound file into the null sink, which the virtual microphone records; false when it could not.
bool speak(const std::string& wav);
