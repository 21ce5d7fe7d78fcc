#include "ui/BookWatch.h"

#include <QEvent>
#include <QFileInfo>

namespace {
// Filing one record is several file operations (the sound, its rename, the index): look once they settle.
constexpr int kSettleMs = 250;
// A long run of changes (an import of many files) is still shown now and then.
constexpr int kLongestWaitMs = 1500;
// How soon a busy window is asked again.
constexpr int kBusyRetryMs = 500;
} // namespace

CBookWatch::CBookWatch(QObject* window, std::function<bool()> look) : m_Look(std::move(look)) {
    m_Timer.setSingleShot(true);
    connect(&m_Timer, &QTimer::timeout, this, [this] { Look(); });
    // The index is replaced by a rename, after which its old file is no longer watched: the folder tells.
    connect(&m_Watcher, &QFileSystemWatcher::directoryChanged, this, [this] { Changed(); });
    connect(&m_Watcher, &QFileSystemWatcher::fileChanged, this, [this] { Changed(); });
    window->installEventFilter(this);
}

void CBookWatch::Watch(const QString& folder, const QString& indexPath) {
    if (!m_Watcher.files().isEmpty())
        m_Watcher.removePaths(m_Watcher.files());
    if (!m_Watcher.directories().isEmpty())
        m_Watcher.removePaths(m_Watcher.directories());
    m_Timer.stop();
    m_Waiting.invalidate();
    m_Index = indexPath;
    if (folder.isEmpty())
        return;
    m_Watcher.addPath(folder);
    if (QFileInfo::exists(m_Index))
        m_Watcher.addPath(m_Index);
}

void CBookWatch::Changed() {
    // A new index file (renamed into place, or made where there was none) is watched again.
    if (!m_Index.isEmpty() && !m_Watcher.files().contains(m_Index) && QFileInfo::exists(m_Index))
        m_Watcher.addPath(m_Index);
    Schedule(kSettleMs);
}

void CBookWatch::Schedule(int ms) {
    if (!m_Waiting.isValid())
        m_Waiting.start();
    else if (m_Timer.isActive() && m_Waiting.elapsed() >= kLongestWaitMs)
        return; // changes keep coming: the timer already running is not put off again
    m_Timer.start(ms);
}

void CBookWatch::Look() {
    if (!m_Look()) {
        m_Timer.start(kBusyRetryMs);
        return;
    }
    m_Waiting.invalidate();
}

bool CBookWatch::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        Schedule(0);
    return QObject::eventFilter(watched, e);
}
