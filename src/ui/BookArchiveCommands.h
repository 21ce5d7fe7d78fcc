#pragma once
// A whole book as one file, asked for and told through dialogs over owner: the open book packed into a
// .kivbook, and a .kivbook (or a zip holding a book) unpacked into an empty or new folder.
#include <QString>
#include <functional>

class QWidget;

// "打包点读书...": says what cannot be packed, offers the label sheet, asks where, packs and tells how it
// went.
void PackOpenBook(QWidget* owner);
// Unpacks the archive (native path) into the folder the user agrees to; letGo lets go of the open book first
// (false keeps it, and nothing is unpacked). The folder (native path), empty when nothing was unpacked.
QString UnpackBookArchive(QWidget* owner, const QString& archive, const std::function<bool()>& letGo);
