// How the main window shows a book that may only be played: a read-only medium, or a book another program
// has open for changing.
#include "ui/KIVDlg.h"

#include "library/SoundLibrary.h"
#include "platform/MessageBox.h"
#include "ui/BookMenu.h"

namespace {
const char* const kReadOnlyMark = "（只读）";
} // namespace

bool CKIVDlg::BookChangeable() const {
    return !SoundLibrary().IsReadOnly();
}

void CKIVDlg::ApplyBookAccess() {
    const QString mark = QString::fromUtf8(kReadOnlyMark);
    QString title = windowTitle();
    title.remove(mark);
    if (!BookChangeable())
        title += mark;
    setWindowTitle(title);
    // The record button is the way to every new sound; the list's menu disables its own entries.
    if (QWidget* record = GetDlgItem(1001))
        record->setEnabled(BookChangeable() || g_bRecording);
    if (m_BookMenu)
        setBookChangeable(m_BookMenu, BookChangeable());
    // A medium that cannot be written says so in the caption; every other reason is told once.
    const CSoundLibrary::Access access = SoundLibrary().BookAccess();
    if (access != CSoundLibrary::Access::Writable && access != CSoundLibrary::Access::ReadOnlyFolder &&
        access != CSoundLibrary::Access::LockedElsewhere)
        appMessageBox(SoundLibrary().ReadOnlyReason(), MB_OK | MB_ICONINFORMATION, this);
}
