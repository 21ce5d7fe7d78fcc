#include "FakeRecorder.h"

#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

#include <cstdint>

namespace {
void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
} // namespace

std::string WaveBytes() {
    const std::uint32_t samples = 80;
    std::string w = "RIFF";
    put32(w, 36 + samples * 2);
    w += "WAVEfmt ";
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, 8000);
    put32(w, 16000);
    put16(w, 2);
    put16(w, 16);
    w += "data";
    put32(w, samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i)
        put16(w, static_cast<std::uint16_t>(i * 300));
    return w;
}

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
