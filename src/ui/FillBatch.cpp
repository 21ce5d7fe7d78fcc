#include "ui/FillBatch.h"

#include "platform/core/UiText.h"

#include <QProgressDialog>
#include <memory>

namespace {
// Above this many sources the batch shows its progress.
constexpr int kQuietBatch = 3;
} // namespace

FillBatch RunFillBatch(QWidget* owner, const QString& title, int count,
                       const std::function<QString(int)>& nameOf,
                       const std::function<FillOutcome(int)>& step) {
    FillBatch result;
    std::unique_ptr<QProgressDialog> progress;
    if (count > kQuietBatch) {
        progress = std::make_unique<QProgressDialog>(QString(), uiText("取消"), 0, count, owner);
        progress->setWindowTitle(title);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->setMinimumWidth(420);
    }
    for (int i = 0; i < count; ++i) {
        if (progress) {
            const QString name = progress->fontMetrics().elidedText(nameOf(i), Qt::ElideMiddle, 380);
            progress->setLabelText(QStringLiteral("%1 / %2\n%3").arg(i + 1).arg(count).arg(name));
            progress->setValue(i); // lets the dialog paint and see "取消"
            if (progress->wasCanceled()) {
                result.cancelled = true;
                result.notStarted = count - i;
                break;
            }
        }
        result.outcomes.push_back(step(i));
    }
    if (progress)
        progress->setValue(count);
    return result;
}
