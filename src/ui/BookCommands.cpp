// The "点读书" popup's book commands: make a new book, open one, open a recent one.
#include "platform/UiText.h"
#include "ui/KIVDlg.h"

#include "app/RecentBooks.h"
#include "app/StartBook.h"
#include "library/BookArchive.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "ui/BookCommands.h"
#include "ui/BookMenu.h"
#include "ui/BookSession.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

FolderChooser g_Chooser;

// The book folder the user picks (a chosen index file stands for its folder); empty when cancelled or, after
// saying why, when it cannot hold a book.
QString chooseBookFolder(QWidget* parent, const QString& title, QString chosen = QString()) {
    if (chosen.isEmpty())
        chosen = ChooseFolder(parent, title);
    if (chosen.isEmpty())
        return {};
    const QString folder = BookFolderOf(chosen);
    if (const QString problem = BookFolderProblem(folder); !problem.isEmpty()) {
        messageBox(problem);
        return {};
    }
    return folder;
}

// The index of an empty book: a folder holding it is a book, also before the first recording.
bool makeBook(const QString& folder) {
    if (atomicReplace((folder + QString::fromLatin1(kIndexFileName)).toStdString(), {}))
        return true;
    messageBox(uiText("不能在文件夹 \"%1\" 中建立点读书！").arg(folder));
    return false;
}

// Files the user can see (hidden ones are the desktop's business).
bool isEmptyFolder(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

QString ChooseFolder(QWidget* parent, const QString& title) {
    if (g_Chooser)
        return g_Chooser(parent, title);
    return QFileDialog::getExistingDirectory(parent, title, QDir::homePath());
}

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                       const QString& filter) {
    if (g_Chooser)
        return g_Chooser(parent, title);
    return QFileDialog::getSaveFileName(parent, title, proposed, filter);
}

FolderChooser setFolderChooser(FolderChooser chooser) {
    FolderChooser previous = std::move(g_Chooser);
    g_Chooser = std::move(chooser);
    return previous;
}

void CKIVDlg::OnNewBook() {
    const QString folder = chooseBookFolder(this, uiText("新建点读书：选择或新建一个空文件夹"));
    if (folder.isEmpty())
        return;
    if (HoldsBook(folder)) {
        if (appMessageBox(uiText("文件夹 \"%1\" 中已经有一本点读书，是否打开它？").arg(folder), MB_YESNO) ==
            IDYES)
            OpenBook(folder);
        return;
    }
    if (!isEmptyFolder(folder)) {
        messageBox(uiText("文件夹 \"%1\" 不是空的，请选择或新建一个空文件夹。").arg(folder));
        return;
    }
    // The recording is dropped before the book is made, so a "no" leaves no empty book behind.
    if (DropRecording() && makeBook(folder))
        OpenBook(folder);
}

void CKIVDlg::OnOpenBook() {
    const QString title = uiText("打开点读书");
    // A book's index or a whole book in one file; a folder can be typed or reached through its index.
    const QString chosen =
        g_Chooser
            ? g_Chooser(this, title)
            : QFileDialog::getOpenFileName(this, title, QDir::homePath(),
                                           uiText("点读书 (KIV_Lib.cfg *.kivbook *.zip);;所有文件 (*)"));
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).isFile() && IsBookArchive(QFile::encodeName(chosen).toStdString())) {
        OpenBookArchive(chosen);
        return;
    }
    const QString folder = chooseBookFolder(this, title, chosen);
    if (folder.isEmpty())
        return;
    if (!HoldsBook(folder)) {
        if (appMessageBox(uiText("文件夹 \"%1\" 中没有点读书。是否在这里新建一本点读书？").arg(folder),
                          MB_YESNO) != IDYES)
            return;
        if (!DropRecording() || !makeBook(folder))
            return;
    }
    OpenBook(folder);
}

void CKIVDlg::OnRecentBook(int i) {
    if (i < 0 || i >= m_RecentBooks.size())
        return;
    OpenBook(m_RecentBooks[i]);
}

bool CKIVDlg::OpenBook(const QString& nativeFolder) {
    QString whyNot;
    if (m_pSession->Open(nativeFolder, &whyNot))
        return true;
    if (!whyNot.isEmpty())
        messageBox(whyNot);
    return false;
}

void CKIVDlg::FillRecentBooks() {
    m_RecentBooks = RecentBooks();
    setRecentBooks(m_BookMenu, m_RecentBooks);
}
