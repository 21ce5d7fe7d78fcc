#pragma once
// Watches the open book's folder and index for changes made by another program (another copy filing
// records, kivtool, a hand edit) and asks the book session to look, a moment after the last change or when
// the window is activated. The answer says whether it could look now; if not, it is asked again soon.
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>

class CBookWatch : public QObject {
public:
    // look: checks the book and returns false when the window is busy and must be asked later.
    CBookWatch(QObject* window, std::function<bool()> look);

    // Watches the book in the folder (native path, ending in '/'); an empty folder watches nothing.
    void Watch(const QString& folder, const QString& indexPath);
    // Asks the window after ms, unless changes keep coming.
    void Schedule(int ms);

protected:
    // The window's activation is a moment to look: the user may have used the other program meanwhile.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Changed();
    void Look();

    std::function<bool()> m_Look;
    QFileSystemWatcher m_Watcher;
    QTimer m_Timer;
    QElapsedTimer m_Waiting; // since the first change not looked at yet
    QString m_Index;
};
