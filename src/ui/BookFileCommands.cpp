// A whole book as one file: "打包点读书..." writes a .kivbook, and a .kivbook (or a zip holding a book)
// given to "打开点读书...", on the command line or by a double click is unpacked into an empty or new
// folder and opened.
#include "ui/KIVDlg.h"

#include "app/Settings.h"
#include "barcode/BookLabels.h"
#include "library/BookArchive.h"
#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/UiText.h"
#include "ui/BookCommands.h"
#include "ui/PackBookDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

namespace {

std::string native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A folder named after the book in the per-user books folder, not yet taken.
QString defaultUnpackFolder(const QString& archive) {
    const QString books = QString::fromStdString(userDataFolder()) + QStringLiteral("books/");
    const QString name = QFileInfo(archive).completeBaseName();
    QString folder = books + (name.isEmpty() ? QStringLiteral("book") : name);
    for (int n = 2; !UnpackTargetProblem(native(folder)).isEmpty(); ++n)
        folder = books + name + QStringLiteral("-%1").arg(n);
    return folder;
}

} // namespace

void CKIVDlg::OnPackBook() {
    const std::string folder = nativePath(SoundLibrary().LibraryFolder());
    PackReport survey;
    QString whyNot;
    if (!SurveyBook(folder, survey, &whyNot)) {
        messageBox(whyNot);
        return;
    }
    if (!survey.missing.empty()) {
        QStringList names;
        for (std::size_t i = 0; i < survey.missing.size() && i < 10; ++i)
            names << fromGbk(survey.missing[i]);
        if (survey.missing.size() > 10)
            names << QStringLiteral("……");
        if (appMessageBox(uiText("有 %1 个声音找不到（或不在点读书文件夹里），不能打包：\n%2\n\n"
                                 "仍然打包其余的声音吗？")
                              .arg(survey.missing.size())
                              .arg(names.join(u'\n')),
                          MB_YESNO | MB_ICONQUESTION, this) != IDYES)
            return;
    }
    const QString name = QDir(QString::fromStdString(folder)).dirName();
    CPackBookDlg dialog(name, survey.sounds, survey.bytes / 1048576.0, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString target = ChooseSaveFile(this, uiText("打包点读书"),
                                    QDir::homePath() + u'/' + name + QStringLiteral(".kivbook"),
                                    uiText("点读书文件 (*.kivbook)"));
    if (target.isEmpty())
        return;
    if (!target.endsWith(QStringLiteral(".kivbook"), Qt::CaseInsensitive))
        target += QStringLiteral(".kivbook");
    CLabelOptions options;
    options.codeType = BarcodeSettings.CodeType;
    options.heightMm = BarcodeSettings.Height;
    options.lineWidthMm = BarcodeSettings.LineWidth;
    PackReport report;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CLabelSheet* sheet = dialog.LabelSheet();
    const bool packed = sheet ? PackBookWithLabels(folder, native(target), BookLabels(SoundLibrary()), *sheet,
                                                   options, report, &whyNot)
                              : PackBook(folder, native(target), report, &whyNot);
    QApplication::restoreOverrideCursor();
    if (!packed) {
        messageBox(whyNot);
        return;
    }
    appMessageBox(uiText("已把 %1 个声音打包到 \"%2\"。").arg(report.sounds).arg(target),
                  MB_OK | MB_ICONINFORMATION, this);
}

bool CKIVDlg::OpenBookArchive(const QString& archive) {
    const QString proposed = defaultUnpackFolder(archive);
    QString folder = proposed;
    switch (appMessageBox(uiText("把点读书 \"%1\" 解压到文件夹\n%2\n吗？\n\n选“否”另选一个空文件夹。")
                              .arg(QFileInfo(archive).fileName(), proposed),
                          MB_YESNOCANCEL | MB_ICONQUESTION, this)) {
    case IDYES:
        break;
    case IDNO:
        folder = ChooseFolder(this, uiText("选择一个空文件夹，点读书解压到这里"));
        if (folder.isEmpty())
            return false;
        break;
    default:
        return false;
    }
    if (!DropRecording())
        return false;
    ensureFolder(native(QFileInfo(folder).absolutePath()) + '/');
    UnpackReport report;
    QString whyNot;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool unpacked =
        UnpackBook(native(archive), native(QFileInfo(folder).absoluteFilePath()), report, &whyNot);
    QApplication::restoreOverrideCursor();
    if (!unpacked) {
        messageBox(whyNot);
        return false;
    }
    if (!report.missing.empty())
        appMessageBox(
            uiText("点读书文件里少了 %1 个声音，这些条码点读时没有声音。").arg(report.missing.size()),
            MB_OK | MB_ICONINFORMATION, this);
    return OpenBook(folder);
}

void CKIVDlg::OpenArchiveArgument() {
    // What an unpack killed mid-way left is no book: it goes before anything else is unpacked.
    RemoveUnfinishedUnpacks();
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        if (argument.startsWith(u'-'))
            continue;
        if (QFileInfo(argument).isFile() && IsBookArchive(native(argument)))
            QTimer::singleShot(0, this, [this, argument] { OpenBookArchive(argument); });
        return;
    }
}
