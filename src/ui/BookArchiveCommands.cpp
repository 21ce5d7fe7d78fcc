#include "ui/BookArchiveCommands.h"

#include "app/Folders.h"
#include "app/Settings.h"
#include "barcode/BookLabels.h"
#include "library/BookArchive.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"
#include "ui/FolderChooser.h"
#include "ui/PackBookDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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

void PackOpenBook(QWidget* owner) {
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
                          MB_YESNO | MB_ICONQUESTION, owner) != IDYES)
            return;
    }
    const QString name = QDir(QString::fromStdString(folder)).dirName();
    CPackBookDlg dialog(name, survey.sounds, survey.bytes / 1048576.0, owner);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString target = ChooseSaveFile(owner, uiText("打包点读书"),
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
                  MB_OK | MB_ICONINFORMATION, owner);
}

QString UnpackBookArchive(QWidget* owner, const QString& archive, const std::function<bool()>& letGo) {
    const QString proposed = defaultUnpackFolder(archive);
    QString folder = proposed;
    switch (appMessageBox(uiText("把点读书 \"%1\" 解压到文件夹\n%2\n吗？\n\n选“否”另选一个空文件夹。")
                              .arg(QFileInfo(archive).fileName(), proposed),
                          MB_YESNOCANCEL | MB_ICONQUESTION, owner)) {
    case IDYES:
        break;
    case IDNO:
        folder = ChooseFolder(owner, uiText("选择一个空文件夹，点读书解压到这里"));
        if (folder.isEmpty())
            return {};
        break;
    default:
        return {};
    }
    if (!letGo())
        return {};
    ensureFolder(native(QFileInfo(folder).absolutePath()) + '/');
    UnpackReport report;
    QString whyNot;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool unpacked =
        UnpackBook(native(archive), native(QFileInfo(folder).absoluteFilePath()), report, &whyNot);
    QApplication::restoreOverrideCursor();
    if (!unpacked) {
        messageBox(whyNot);
        return {};
    }
    if (!report.missing.empty())
        appMessageBox(
            uiText("点读书文件里少了 %1 个声音，这些条码点读时没有声音。").arg(report.missing.size()),
            MB_OK | MB_ICONINFORMATION, owner);
    return folder;
}
