#pragma once
// The label sheets that come with the program (res/labels/), and sheets read from a file of the user's.
#include "barcode/LabelSheet.h"

#include <QString>
#include <QStringList>
#include <vector>

// Every *.sheet file of the folder, by name; a malformed one is left out and its message added to errors.
std::vector<CLabelSheet> LoadLabelSheets(const QString& folder, QStringList* errors = nullptr);
// The shipped sheets (read once).
const std::vector<CLabelSheet>& ShippedLabelSheets();
// A shipped sheet by name, or null.
const CLabelSheet* FindLabelSheet(const QString& name);
// One template file; false with the message when it cannot be read or is malformed.
bool LoadLabelSheetFile(const QString& path, CLabelSheet* sheet, QString* error);
