#pragma once
// Real X input for the whole-program tests, through xdotool: find windows by title, click, type keys.
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

bool haveDisplay();
// Runs xdotool; its standard output.
QString xdotool(const QStringList& args, bool* ok = nullptr);
// The first visible window whose title is exactly title, or title followed by " - " and a name (the main
// window's caption names its book), or "" after the timeout.
QString waitForWindow(const QString& title, int timeoutMs = 15000);
// Whether no visible window has that title any more, within the time.
bool windowGone(const QString& title, int timeoutMs = 5000);
// The window that has the keyboard focus.
QString focusedWindow();
QSize windowSize(const QString& window);
// Clicks at a point of the window (button 1 left, 3 right).
void click(const QString& window, int x, int y, int button = 1);
// Clicks a point given from the window's bottom-right corner (the main window's buttons keep their
// distance from it).
void clickFromCorner(const QString& window, int dx, int dy);
// Gives the window the focus and types keys (xdotool key names, space separated) delayMs apart, with Shift
// held throughout when shift is set.
bool sendKeys(const QString& window, const QString& keys, int delayMs = 30, bool shift = false);

// Releases Shift at the end of a scope: a Shift left down by a failed step would spoil every later test on
// the display.
struct ShiftReleased {
    ~ShiftReleased();
};

// One xdotool kept running on commands from its standard input, so that a key goes out within a millisecond
// of the call instead of after a process start: what the latency checks press the pen's Enter with.
class CLiveXdoTool {
public:
    CLiveXdoTool();
    ~CLiveXdoTool();
    bool ready() const { return m_Ready; }
    // Presses and releases the key in the focused window; the time (nowNs) it was handed over.
    qint64 key(const QString& name);

private:
    QProcess m_Process;
    bool m_Ready = false;
};
