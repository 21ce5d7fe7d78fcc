#include "support/FakeRecorder.h"

#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "support/Wave.h"

bool CFakeRecorder::SaveRecording(const std::string& gbkPath) {
    if (m_Fail)
        return false;
    const std::string path = nativePath(gbkPath);
    if (fileExists(path)) {
        QString text =
            QString::fromUtf8("文件 \"") + fromGbk(gbkPath) + QString::fromUtf8("\" 已经存在, 是否覆盖? ");
        if (messageBox(text, QString(), MB_YESNO) != IDYES)
            return false;
    }
    if (!atomicReplace(path, WaveBytes()))
        return false;
    if (m_Log)
        m_Log->saved.push_back(gbkPath);
    return true;
}

void CFakeRecorder::CloseRecording() {
    if (m_Log)
        ++m_Log->closed;
}
