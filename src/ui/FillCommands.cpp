// Filling the book without the microphone: "导入声音文件...", files and folders dropped on the main window,
// and "文字转语音...". Each runs as one batch with one progress dialog and one summary at the end.
#include "platform/UiText.h"
#include "ui/KIVDlg.h"

#include "library/ImportSounds.h"
#include "library/SoundLibrary.h"
#include "library/SpeakText.h"
#include "platform/MessageBox.h"
#include "ui/SpeakTextDlg.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace {

// Above this many sources the batch shows its progress.
constexpr int kQuietBatch = 3;

struct BatchResult {
    std::vector<FillOutcome> outcomes;
    bool cancelled = false;
    int notStarted = 0;
};

// Runs count steps in order; "取消" stops the batch after the step under way, and what is filed stays.
BatchResult runBatch(QWidget* owner, const QString& title, int count,
                     const std::function<QString(int)>& nameOf, const std::function<FillOutcome(int)>& step) {
    BatchResult result;
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

std::vector<std::string> nativePaths(const QStringList& paths) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& p : paths)
        out.push_back(QFile::encodeName(p).toStdString());
    return out;
}

} // namespace

void CKIVDlg::OnImportSounds() {
    if (!BookChangeable())
        return;
    const QStringList files = QFileDialog::getOpenFileNames(
        this, uiText("导入声音文件"), QString(),
        uiText("声音文件 (*.wav *.mp3 *.flac *.ogg *.oga *.opus *.aif *.aiff *.au);;所有文件 (*)"));
    if (!files.isEmpty())
        ImportPaths(files);
}

void CKIVDlg::ImportPaths(const QStringList& paths) {
    if (!BookChangeable())
        return;
    const QString title = uiText("导入声音文件");
    ImportList list = CollectSoundFiles(nativePaths(paths));
    RemoveUnfinishedSounds(SoundLibrary());
    BatchResult batch = runBatch(
        this, title, static_cast<int>(list.files.size()),
        [&](int i) { return NameText(list.files[static_cast<std::size_t>(i)]); },
        [&](int i) { return ImportSoundFile(SoundLibrary(), list.files[static_cast<std::size_t>(i)]); });
    batch.outcomes.insert(batch.outcomes.end(), list.passed.begin(), list.passed.end());
    if (batch.outcomes.empty()) {
        messageBox(uiText("没有找到声音文件。"), title, MB_OK, this);
        return;
    }
    messageBox(FillSummary(batch.outcomes, batch.cancelled, batch.notStarted), title, MB_OK, this);
}

void CKIVDlg::OnSpeakText() {
    if (!BookChangeable())
        return;
    CSpeakTextDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QStringList lines = SpeechLines(dlg.Text());
    if (lines.isEmpty())
        return;
    const int rate = dlg.Rate();
    const QString title = uiText("文字转语音");
    RemoveUnfinishedSounds(SoundLibrary());
    BatchResult batch = runBatch(
        this, title, static_cast<int>(lines.size()), [&](int i) { return lines[i]; },
        [&](int i) { return SpeakLine(SoundLibrary(), lines[i], rate); });
    messageBox(FillSummary(batch.outcomes, batch.cancelled, batch.notStarted), title, MB_OK, this);
}

void CKIVDlg::dragEnterEvent(QDragEnterEvent* e) {
    // A book that may only be played takes no files: the cursor says so before the drop.
    if (!BookChangeable())
        return;
    for (const QUrl& url : e->mimeData()->urls()) {
        if (url.isLocalFile()) {
            e->acceptProposedAction();
            return;
        }
    }
}

void CKIVDlg::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (paths.isEmpty())
        return;
    e->acceptProposedAction();
    // The drop returns to the dragging program first; the import runs its own dialogs afterwards.
    QTimer::singleShot(0, this, [this, paths] { ImportPaths(paths); });
}
