#pragma once
// How the book commands ask for a folder or a file to write. Tests answer without a dialog.
#include <QString>
#include <functional>

class QWidget;

// Asks for a folder (the dialog lets the user make one); an empty result means the user cancelled.
using FolderChooser = std::function<QString(QWidget* parent, const QString& title)>;
// Installs a chooser (an empty one restores the real dialog); returns the previous one.
FolderChooser setFolderChooser(FolderChooser chooser);
// A folder the user picks (through the chooser when one is set); empty when cancelled.
QString ChooseFolder(QWidget* parent, const QString& title);
// A file to open (through the chooser when one is set, given the title); empty when cancelled.
QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& filter);
// A file name to save as (through the chooser when one is set, given the title); empty when cancelled.
QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed, const QString& filter);
