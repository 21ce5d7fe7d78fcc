#include "ui/BookSession.h"

#include "app/Folders.h"
#include "app/RecentBooks.h"
#include "app/StartBook.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/TempFiles.h"
#include "platform/core/Trace.h"
#include "platform/core/UiText.h"
#include "ui/BookWatch.h"

#include <QDir>

namespace {
const char* const kReadOnlyMark = "（只读）";
} // namespace

CBookSession::CBookSession(QObject* window, Questions questions)
    : m_Window(window), m_Questions(std::move(questions)) {}

CBookSession::~CBookSession() = default;

bool CBookSession::Open(const QString& nativeFolder, QString* whyNot) {
    const QString folder = BookFolderOf(nativeFolder);
    if (QString problem = BookFolderProblem(folder); !problem.isEmpty()) {
        if (whyNot)
            *whyNot = std::move(problem);
        return false;
    }
    if (m_Questions.close && !m_Questions.close())
        return false;
    Load(gbkFromNative(folder.toStdString()));
    return true;
}

void CBookSession::Load(const std::string& gbkFolder) {
    // What a killed copy left in the book; ProgramFolder had its turn at start.
    if (!gbkFolder.empty() && gbkFolder != ProgramFolder)
        removeStaleTempFiles(nativePath(gbkFolder));
    emit recordsGoing();
    // A lock another computer left: the user knows whether that copy still runs.
    CSoundLibrary& library = SoundLibrary();
    if (library.OpenBook(gbkFolder) == CSoundLibrary::Access::LockedElsewhere && m_Questions.takeOverLock &&
        m_Questions.takeOverLock(library.ReadOnlyReason()))
        library.TakeOverLock();
    emit opened();
    Watch();
    if (!gbkFolder.empty())
        RememberBook(QString::fromStdString(nativePath(gbkFolder)));
}

void CBookSession::Watch() {
    if (!m_pWatch)
        m_pWatch = std::make_unique<CBookWatch>(m_Window, [this] { return Look(); });
    const std::string& folder = SoundLibrary().LibraryFolder();
    m_pWatch->Watch(folder.empty() ? QString() : QString::fromStdString(nativePath(folder)),
                    QString::fromStdString(nativePath(SoundLibrary().IndexPath())));
}

bool CBookSession::Look() {
    if (m_Questions.busy && m_Questions.busy())
        return false;
    CSoundLibrary& library = SoundLibrary();
    const bool retaken = library.BookAccess() == CSoundLibrary::Access::LockedByOther && library.RetakeLock();
    // Another program filing records only appends: their rows are added, and a big book is not read again.
    if (std::vector<const SOUND_RECORD*> added; library.IndexChangedOnDisk()) {
        if (library.LoadAppendedRecords(added)) {
            emit recordsAdded(added);
        } else {
            // A reload only reads.
            emit reloading();
            library.LoadIndex();
            emit reloaded();
        }
    }
    if (retaken) {
        trace("CBookSession: the other program let the book go; it can be changed here now\n");
        emit accessChanged();
    }
    return true;
}

bool CBookSession::Changeable() const {
    return !SoundLibrary().IsReadOnly();
}

QString CBookSession::Caption() const {
    const QString folder = QString::fromStdString(nativePath(SoundLibrary().LibraryFolder()));
    const QString name = QDir(folder).dirName();
    QString caption = name.isEmpty() || name == QStringLiteral(".") ? uiText("KIV点读薄 V1.0")
                                                                    : uiText("KIV点读薄 V1.0 - %1").arg(name);
    if (!Changeable())
        caption += QString::fromUtf8(kReadOnlyMark);
    return caption;
}

QString CBookSession::AccessNotice() const {
    // A medium that cannot be written says so in the caption, and a lock another computer left was asked
    // about; every other reason is told.
    switch (SoundLibrary().BookAccess()) {
    case CSoundLibrary::Access::Writable:
    case CSoundLibrary::Access::ReadOnlyFolder:
    case CSoundLibrary::Access::LockedElsewhere:
        return {};
    default:
        return SoundLibrary().ReadOnlyReason();
    }
}
