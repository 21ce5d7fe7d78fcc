#include "ui/WindowPlace.h"

#include "app/UserSettings.h"
#include "platform/gui/ReportList.h"

#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {
const QString kGeometryKey = QStringLiteral("MainWindow/Geometry");
const QString kColumnsKey = QStringLiteral("MainWindow/Columns");
// A column squeezed to nothing still comes back wide enough to be found and widened.
constexpr int kNarrowest = 8;
constexpr int kWidest = 4000;
} // namespace

void RestoreWindowPlace(QWidget* window, CReportView* list) {
    const QSettings settings = userSettings();
    // Qt checks the stored bytes and brings a window left on a screen that is gone back into view.
    window->restoreGeometry(settings.value(kGeometryKey).toByteArray());
    const QStringList stored = settings.value(kColumnsKey).toStringList();
    if (stored.size() != list->GetColumnCount())
        return;
    std::vector<int> widths;
    for (const QString& text : stored) {
        bool ok = false;
        const int width = text.toInt(&ok);
        if (!ok)
            return;
        widths.push_back(std::clamp(width, kNarrowest, kWidest));
    }
    for (int column = 0; column < int(widths.size()); ++column)
        list->setColumnWidth(column, widths[std::size_t(column)]);
}

void SaveWindowPlace(const QWidget* window, const CReportView* list) {
    QSettings settings = userSettings();
    settings.setValue(kGeometryKey, window->saveGeometry());
    QStringList widths;
    for (int column = 0; column < list->GetColumnCount(); ++column)
        widths << QString::number(list->GetColumnWidth(column));
    settings.setValue(kColumnsKey, widths);
}
