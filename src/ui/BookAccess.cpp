// How the main window shows a book that may only be played: a read-only medium, or a book another program
// has open for changing.
#include "ui/KIVDlg.h"

#include "library/SoundLibrary.h"
#include "platform/MessageBox.h"
#include "ui/BookMenu.h"

namespace {
const char* const kReadOnlyMark = "（只读）";
const char* const kLockedText = "这本点读书已在另一个KIV中打开，现在只能点读，不能修改。";
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
    if (SoundLibrary().BookAccess() == CSoundLibrary::Access::LockedByOther)
        appMessageBox(QString::fromUtf8(kLockedText), MB_OK | MB_ICONINFORMATION, this);
}
