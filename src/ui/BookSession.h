#pragma once
// The open book as the main window shows it: opening a folder as the book (at start and when switching), the
// book's lock and whether it may be changed here, and following what another program changes in it (records
// filed by another copy or by kivtool show without a restart; a copy that could only play the book may change
// it once the other program lets go). No widgets: the window answers the session's questions and shows what
// its signals say.
#include "library/SoundRecord.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CBookWatch;

class CBookSession : public QObject {
    Q_OBJECT
public:
    // What the session asks of the window.
    struct Questions {
        // Lets go of the old book before another opens: false when the user keeps what would be lost.
        std::function<bool()> close;
        // Whether to take over the lock a program on another computer left; given the question to ask.
        std::function<bool(const QString&)> takeOverLock;
        // True while something holds on to records or rows: a reload waits.
        std::function<bool()> busy;
    };
    // window: whose activation is a moment to look at the book (the user may have used the other program).
    CBookSession(QObject* window, Questions questions);
    ~CBookSession() override;

    // Opens the book in the folder (native path) the way start-up does. False, the old book staying, when
    // the folder cannot hold a book (*whyNot says why, for the user) or the window would not let go.
    bool Open(const QString& nativeFolder, QString* whyNot);
    // Takes the book in that folder (GBK) without asking to let go: what a killed copy left goes, the lock
    // is taken, the index is read, the book is watched and remembered among the recent books.
    void Load(const std::string& gbkFolder);
    // Looks at the book on disk now: takes the lock when its holder let go, and reads what another program
    // changed. False, doing nothing, while the window is busy.
    bool Look();

    bool Changeable() const;
    // The window's caption: the program, the book's folder name, "（只读）" when it may only be played.
    QString Caption() const;
    // Why the open book may only be played, when the user is to be told; empty when not.
    QString AccessNotice() const;

signals:
    // Every record is about to go for another book: the rows pointing at them go first.
    void recordsGoing();
    // A book was opened: every record is new.
    void opened();
    // Another program changed the index: every record is about to be read again (rows go first), then was.
    void reloading();
    void reloaded();
    // Another program only filed records: these were added.
    void recordsAdded(const std::vector<const SOUND_RECORD*>& added);
    // The book may be changed here now.
    void accessChanged();

private:
    void Watch();

    QObject* m_Window;
    Questions m_Questions;
    std::unique_ptr<CBookWatch> m_pWatch;
};
