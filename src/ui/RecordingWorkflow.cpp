// The recording workflow of the main window: record, preview, save under a new code number and print it,
// re-record an old number, delete one record or all of them.
#include "ui/KIVDlg.h"

#include "app/Settings.h"
#include "audio/Playback.h"
#include "audio/SoundRecorderCell.h"
#include "barcode/BarcodePrintJob.h"
#include "barcode/Options.h"
#include "controls/GridListCtrlEx2.h"
#include "controls/LevelMeter.h"
#include "library/SoundLibrary.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/SoundInput.h"
#include "platform/UiText.h"
#include "ui/AboutDlg.h"
#include "ui/BookSession.h"
#include "ui/Content.h"

#include <QPushButton>
#include <QTimer>

int g_bRecording = 0;

namespace {

// A take whose loudest sample stays below -50 dBFS has no voice in it.
constexpr double kSilentPeak = 0.0031623;
constexpr int kMeterIntervalMs = 50;

void setButtonText(CKIVDlg* dlg, int id, const char* utf8) {
    if (auto* b = qobject_cast<QPushButton*>(dlg->GetDlgItem(id)))
        b->setText(withAccelerator(QString::fromUtf8(utf8)));
}

void enableButton(CKIVDlg* dlg, int id, bool enable) {
    if (QWidget* w = dlg->GetDlgItem(id))
        w->setEnabled(enable);
}

// The record a row shows when it has that number; otherwise the first record of the number. With unique
// numbers both are the same record; with repeated ones the row's is the one the user meant.
const SOUND_RECORD* recordFor(CGridListCtrlEx2* list, int code, int row) {
    if (list && row >= 0 && row < list->GetItemCount())
        if (const SOUND_RECORD* r = list->RecordOfRow(row); r && CodeNumber(r->Code.view()) == code)
            return r;
    return SoundLibrary().FindRecord(code);
}

} // namespace

void CKIVDlg::OnRecordButton() {
    UpdateData(true);
    if (!g_bRecording) {
        m_pPlayback->StopPlay();
        const bool hadRecording = SoundLibrary().Recorder() != nullptr;
        SoundLibrary().SetRecorder(nullptr); // an unsaved recording is lost here
        auto cell = std::make_unique<CSoundRecorder>();
        CSoundRecorder* recorder = cell.get();
        SoundLibrary().SetRecorder(std::move(cell));
        if (!recorder->StartRecording()) {
            SoundLibrary().SetRecorder(nullptr);
            // The earlier recording is gone: nothing is left to preview or save.
            if (hadRecording) {
                enableButton(this, 1002, false);
                enableButton(this, 1003, false);
            }
            return;
        }
        g_bRecording = 1;
        ShowLevelMeter(true);
        setButtonText(this, 1001, "停止录音");
        enableButton(this, 1002, false);
        enableButton(this, 1003, false);
        return;
    }

    g_bRecording = 0;
    ShowLevelMeter(false);
    if (CSoundRecorder* recorder = CurrentRecorder(); recorder && !recorder->StopRecording()) {
        // The take was lost and the user told: as after a failed start, nothing to preview, save or
        // replace with; the re-record it was for ends too, or the next ordinary take would replace that
        // sound.
        SoundLibrary().SetRecorder(nullptr);
        m_UnsavedRecording = false;
        m_ReplaceCode = -1;
        m_ReplaceIndex = -1;
        setButtonText(this, 1001, "开始录音");
        enableButton(this, 1002, false);
        enableButton(this, 1003, false);
        return;
    }
    m_UnsavedRecording = true;
    if (m_ReplaceCode != -1 && !ConfirmAudibleTake()) {
        m_ReplaceCode = -1;
        m_ReplaceIndex = -1;
    } else if (m_ReplaceCode != -1) {
        const QString question = QString::fromUtf8("录音完毕， 是否需要替换编号 \"%1\" 的声音？ ")
                                     .arg(m_ReplaceCode, 6, 10, QLatin1Char('0'));
        if (messageBox(question, uiText("是否替换？"), MB_YESNO) == IDYES) {
            const SOUND_RECORD* target = SoundLibrary().RecordByIndex(m_ReplaceIndex);
            const int replaced = target && CodeNumber(target->Code.view()) == m_ReplaceCode
                                     ? SoundLibrary().ReplaceRecording(target)
                                     : SoundLibrary().ReplaceRecording(m_ReplaceCode);
            m_UnsavedRecording = !replaced;
        }
        m_ReplaceCode = -1;
        m_ReplaceIndex = -1;
    }
    setButtonText(this, 1001, "开始录音");
    enableButton(this, 1002, true);
    enableButton(this, 1003, true);
}

void CKIVDlg::ShowLevelMeter(bool show) {
    if (!m_LevelMeter)
        return;
    if (!m_LevelTimer) {
        m_LevelTimer = new QTimer(this);
        m_LevelTimer->setInterval(kMeterIntervalMs);
        connect(m_LevelTimer, &QTimer::timeout, this, [this] {
            if (CSoundRecorder* recorder = CurrentRecorder(); recorder && recorder->Input())
                m_LevelMeter->SetLevel(recorder->Input()->takeRecentPeak(),
                                       recorder->Input()->capturedSeconds());
        });
    }
    m_LevelMeter->Reset();
    m_LevelMeter->setVisible(show);
    if (show)
        m_LevelTimer->start();
    else
        m_LevelTimer->stop();
}

bool CKIVDlg::ConfirmAudibleTake() {
    CSoundRecorder* recorder = CurrentRecorder();
    if (!recorder || !recorder->Input() || !recorder->HasRecording() ||
        recorder->Input()->recordingPeak() >= kSilentPeak)
        return true;
    return messageBox(uiText("录音里听不到声音，请检查麦克风。仍然保存吗？"), uiText("没有声音"), MB_YESNO) ==
           IDYES;
}

void CKIVDlg::OnPreview() {
    UpdateData(true);
    if (CSoundRecorder* recorder = CurrentRecorder())
        recorder->PreviewRecording();
}

void CKIVDlg::OnSaveRecording() {
    UpdateData(true);
    if (!SoundLibrary().Recorder() || !ConfirmAudibleTake())
        return;
    std::string content;
    {
        CContent dlg(this);
        if (dlg.DoModal() != IDOK)
            return;
        content = TrimAnnotation(toGbk(dlg.m_Content));
    }
    if (content.empty())
        content = "Null";
    const SOUND_RECORD* record = SoundLibrary().FileRecording(content);
    if (!record)
        return;
    m_UnsavedRecording = false;
    // The record may go while the question is open (the list's requests are still handled): keep its code.
    const std::string code = record->Code.str();
    if (messageBox(QString::fromUtf8("保存录音成功, 是否需要打印对应的条码? "), uiText("打印条码"),
                   MB_YESNO) != IDYES)
        return;
    BarcodePrintJob job;
    if (job.BeginJob(BarcodeSettings.Height, BarcodeSettings.LineWidth)) {
        if (static_cast<unsigned>(BarcodeSettings.CodeType) <= 3u)
            job.AddBarcode(code, BarcodeSettings.CodeType);
        job.FlushRow();
    }
}

void CKIVDlg::OnRerecord(int code) {
    const SOUND_RECORD* record = recordFor(m_RecordList, code, m_RecordList ? m_RecordList->m_HotItem : -1);
    if (!record)
        return;
    const int index = record->Index;
    if (messageBox(QString::fromUtf8("确定要删除原来的声音并重新录音 ？"), uiText("确定"), MB_YESNO) != IDYES)
        return;
    // The question ran a message loop: look the record up again rather than trust the pointer.
    if (const SOUND_RECORD* r = SoundLibrary().RecordByIndex(index))
        SoundLibrary().DeleteSoundFile(r);
    if (messageBox(QString::fromUtf8("现在开始录音，请按\"停止录音\"替换新的录音。"), uiText("开始"),
                   MB_OK) != IDOK)
        return;
    m_ReplaceCode = code;
    m_ReplaceIndex = index;
    OnRecordButton();
}

void CKIVDlg::OnDeleteRecord(int code, int row) {
    const SOUND_RECORD* record = recordFor(m_RecordList, code, row);
    if (!record)
        return;
    // The list posts one message per selected row, all at once: gather them and rewrite the index once,
    // after the last of them.
    if (m_PendingDeletes.empty())
        postMessage(this, UM_DELETE_PENDING);
    m_PendingDeletes.push_back({record->Index, row});
}

void CKIVDlg::OnDeletePending() {
    const std::vector<PendingDelete> pending = std::move(m_PendingDeletes);
    m_PendingDeletes.clear();
    std::vector<const SOUND_RECORD*> records;
    std::vector<int> rows;
    for (const PendingDelete& p : pending) {
        if (const SOUND_RECORD* r = SoundLibrary().RecordByIndex(p.index)) {
            records.push_back(r);
            rows.push_back(p.row);
        }
    }
    if (records.empty())
        return;
    std::vector<bool> deleted;
    if (!SoundLibrary().DeleteRecords(records, &deleted) && !RefuseStaleDelete())
        messageBox(uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(SoundLibrary().IndexPath())));
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (deleted[i])
            BlankRow(rows[i]);
}

void CKIVDlg::OnDeleteAll() {
    if (messageBox(QString::fromUtf8("确认删除所有声音记录? "), QString(), MB_YESNO) != IDYES)
        return;
    // The rows go only with their records: an index that cannot be emptied keeps both.
    if (!SoundLibrary().DeleteAllRecords()) {
        messageBox(uiText("不能保存文件 \"%1\" ! ").arg(fromGbk(SoundLibrary().IndexPath())));
        return;
    }
    ResetRecordList();
    if (m_RecordList)
        m_RecordList->m_HotItem = -1;
}

bool CKIVDlg::RefuseStaleDelete() {
    if (!SoundLibrary().IndexChangedOnDisk())
        return false;
    // The rows showed lines that are no longer there: the user chooses again from the book as it is.
    messageBox(uiText("这本点读书刚被另一个程序改过，已经重新读入。请再选一次要删除的记录。"));
    m_pSession->Look();
    return true;
}

void CKIVDlg::OnCancel() {
    // Esc and the close button end the program, but a take is not thrown away unasked.
    if ((g_bRecording || m_UnsavedRecording) &&
        appMessageBox(uiText("录音还没有保存，退出KIV会丢掉这段录音。是否继续？"), MB_YESNO) != IDYES)
        return;
    CDialog::OnCancel();
}

bool CKIVDlg::DropRecording() {
    if ((g_bRecording || m_UnsavedRecording) &&
        appMessageBox(uiText("录音还没有保存，打开另一本点读书会丢掉这段录音。是否继续？"), MB_YESNO) !=
            IDYES)
        return false;
    if (g_bRecording) {
        g_bRecording = 0;
        setButtonText(this, 1001, "开始录音");
    }
    SoundLibrary().SetRecorder(nullptr);
    enableButton(this, 1002, false);
    enableButton(this, 1003, false);
    m_UnsavedRecording = false;
    m_ReplaceCode = -1;
    m_ReplaceIndex = -1;
    return true;
}

void CKIVDlg::OnAbout() {
    CAboutDlg dlg(this);
    dlg.DoModal();
}

void CKIVDlg::OnOptions() {
    COptions dlg(this);
    dlg.DoModal();
}
