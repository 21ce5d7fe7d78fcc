#include "audio/SoundRecorderCell.h"

#include "audio/Playback.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/sound/SoundInput.h"

CSoundRecorder::CSoundRecorder() = default;

CSoundRecorder::~CSoundRecorder() {
    CloseRecording();
}

int CSoundRecorder::OpenNewRecording() {
    CloseRecording();
    m_pInput = std::make_unique<CSoundInput>();
    return 1;
}

int CSoundRecorder::StartRecording() {
    if (!OpenNewRecording())
        return 0;
    if (!CSoundInput::deviceAvailable()) {
        appMessageBox(QStringLiteral("error #01"));
        return 0;
    }
    if (!m_pInput->start()) {
        appMessageBox(QStringLiteral("error #01"));
        return 0;
    }
    return 1;
}

bool CSoundRecorder::StopRecording() {
    if (!m_pInput || !m_pInput->isRecording())
        return true;
    if (!m_pInput->stop()) {
        appMessageBox(QStringLiteral("error #01"));
        return false;
    }
    return true;
}

void CSoundRecorder::PreviewRecording() {
    if (m_pInput && m_pInput->hasRecording())
        m_pInput->playBack();
}

bool CSoundRecorder::SaveRecording(const std::string& gbkPath) {
    const std::string path = nativePath(gbkPath);
    if (fileExists(path)) {
        QString ask = fromGbk(FormatGbkText("文件 \"%1\" 已经存在, 是否覆盖? ", {gbkPath}));
        if (messageBox(ask, QString(), MB_YESNO) != IDYES)
            return false;
    }
    if (!m_pInput || !m_pInput->hasRecording())
        return false;
    if (!m_pInput->saveAs(path)) {
        messageBox(fromGbk(FormatGbkText("保存\"%1\"失败！", {gbkPath})));
        return false;
    }
    return true;
}

void CSoundRecorder::CloseRecording() {
    m_pInput.reset();
}

bool CSoundRecorder::IsRecording() const {
    return m_pInput && m_pInput->isRecording();
}

bool CSoundRecorder::HasRecording() const {
    return m_pInput && m_pInput->hasRecording();
}

CSoundRecorder* CurrentRecorder() {
    if (!HasSoundLibrary())
        return nullptr;
    return dynamic_cast<CSoundRecorder*>(SoundLibrary().Recorder());
}
