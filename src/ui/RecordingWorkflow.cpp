#include "ui/RecordingWorkflow.h"

#include "app/Settings.h"
#include "audio/Playback.h"
#include "audio/SoundRecorderCell.h"
#include "barcode/BarcodePrintJob.h"
#include "controls/LevelMeter.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/UiText.h"
#include "platform/gui/Dialog.h"
#include "platform/sound/SoundInput.h"
#include "ui/Content.h"

#include <QPushButton>
#include <QTimer>

int g_bRecording = 0;

namespace {
// A take whose loudest sample stays below -50 dBFS has no voice in it.
constexpr double kSilentPeak = 0.0031623;
constexpr int kMeterIntervalMs = 50;
} // namespace

CRecordingWorkflow::CRecordingWorkflow(CDialog* window, CPlayback& playback)
    : m_Window(window), m_Playback(playback) {}

void CRecordingWorkflow::SetButtonText(int id, const char* utf8) {
    if (auto* b = qobject_cast<QPushButton*>(m_Window->GetDlgItem(id)))
        b->setText(withAccelerator(QString::fromUtf8(utf8)));
}

void CRecordingWorkflow::EnableButton(int id, bool enable) {
    if (QWidget* w = m_Window->GetDlgItem(id))
        w->setEnabled(enable);
}

void CRecordingWorkflow::EndReplace() {
    m_ReplaceCode = -1;
    m_ReplaceIndex = -1;
}

void CRecordingWorkflow::StartOrStop() {
    if (!g_bRecording) {
        m_Playback.StopPlay();
        const bool hadRecording = SoundLibrary().Recorder() != nullptr;
        SoundLibrary().SetRecorder(nullptr); // an unsaved recording is lost here
        auto cell = std::make_unique<CSoundRecorder>();
        CSoundRecorder* recorder = cell.get();
        SoundLibrary().SetRecorder(std::move(cell));
        if (!recorder->StartRecording()) {
            SoundLibrary().SetRecorder(nullptr);
            // The earlier recording is gone: nothing is left to preview or save.
            if (hadRecording) {
                EnableButton(1002, false);
                EnableButton(1003, false);
            }
            return;
        }
        g_bRecording = 1;
        ShowLevelMeter(true);
        SetButtonText(1001, "停止录音");
        EnableButton(1002, false);
        EnableButton(1003, false);
        return;
    }

    g_bRecording = 0;
    ShowLevelMeter(false);
    if (CSoundRecorder* recorder = CurrentRecorder(); recorder && !recorder->StopRecording()) {
        // The take was lost and the user told: as after a failed start, nothing to preview, save or
        // replace with; the re-record it was for ends too, or the next ordinary take would replace that
        // sound.
        SoundLibrary().SetRecorder(nullptr);
        m_Unsaved = false;
        EndReplace();
        SetButtonText(1001, "开始录音");
        EnableButton(1002, false);
        EnableButton(1003, false);
        return;
    }
    m_Unsaved = true;
    if (m_ReplaceCode != -1 && !ConfirmAudibleTake()) {
        EndReplace();
    } else if (m_ReplaceCode != -1) {
        const QString question = QString::fromUtf8("录音完毕， 是否需要替换编号 \"%1\" 的声音？ ")
                                     .arg(m_ReplaceCode, 6, 10, QLatin1Char('0'));
        if (messageBox(question, uiText("是否替换？"), MB_YESNO) == IDYES) {
            const SOUND_RECORD* target = SoundLibrary().RecordByIndex(m_ReplaceIndex);
            const int replaced = target && CodeNumber(target->Code.view()) == m_ReplaceCode
                                     ? SoundLibrary().ReplaceRecording(target)
                                     : SoundLibrary().ReplaceRecording(m_ReplaceCode);
            m_Unsaved = !replaced;
        }
        EndReplace();
    }
    SetButtonText(1001, "开始录音");
    EnableButton(1002, true);
    EnableButton(1003, true);
}

void CRecordingWorkflow::ShowLevelMeter(bool show) {
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

bool CRecordingWorkflow::ConfirmAudibleTake() {
    CSoundRecorder* recorder = CurrentRecorder();
    if (!recorder || !recorder->Input() || !recorder->HasRecording() ||
        recorder->Input()->recordingPeak() >= kSilentPeak)
        return true;
    return messageBox(uiText("录音里听不到声音，请检查麦克风。仍然保存吗？"), uiText("没有声音"), MB_YESNO) ==
           IDYES;
}

void CRecordingWorkflow::Preview() {
    if (CSoundRecorder* recorder = CurrentRecorder())
        recorder->PreviewRecording();
}

void CRecordingWorkflow::Save() {
    if (!SoundLibrary().Recorder() || !ConfirmAudibleTake())
        return;
    std::string content;
    {
        CContent dlg(m_Window);
        if (dlg.DoModal() != IDOK)
            return;
        content = TrimAnnotation(toGbk(dlg.m_Content));
    }
    if (content.empty())
        content = "Null";
    const SOUND_RECORD* record = SoundLibrary().FileRecording(content);
    if (!record)
        return;
    m_Unsaved = false;
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

void CRecordingWorkflow::Rerecord(int code, int index) {
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
    StartOrStop();
}

bool CRecordingWorkflow::Drop() {
    if ((g_bRecording || m_Unsaved) &&
        appMessageBox(uiText("录音还没有保存，打开另一本点读书会丢掉这段录音。是否继续？"), MB_YESNO) !=
            IDYES)
        return false;
    if (g_bRecording) {
        g_bRecording = 0;
        ShowLevelMeter(false);
        SetButtonText(1001, "开始录音");
    }
    SoundLibrary().SetRecorder(nullptr);
    EnableButton(1002, false);
    EnableButton(1003, false);
    m_Unsaved = false;
    EndReplace();
    return true;
}
