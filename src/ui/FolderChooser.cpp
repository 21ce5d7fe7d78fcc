#include "ui/FolderChooser.h"

#include <QDir>
#include <QFileDialog>

namespace {
FolderChooser g_Chooser;
} // namespace

QString ChooseFolder(QWidget* parent, const QString& title) {
    if (g_Chooser)
        return g_Chooser(parent, title);
    return QFileDialog::getExistingDirectory(parent, title, QDir::homePath());
}

QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& filter) {
    if (g_Chooser)
        return g_Chooser(parent, title);
    return QFileDialog::getOpenFileName(parent, title, QDir::homePath(), filter);
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
