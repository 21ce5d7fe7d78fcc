#include "library/ReplaceSound.h"

#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/UiText.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/SoundFile.h"

#include <array>
#include <cstdint>

namespace {

// Why the file cannot give a sound, or empty when it can: looked at before anything is replaced.
QString soundProblem(const std::string& path) {
    CSoundFile sound;
    switch (sound.open(path)) {
    case SoundFileStatus::Missing:
        return uiText("找不到文件");
    case SoundFileStatus::Undecodable:
        return uiText("不是能读出的声音文件");
    case SoundFileStatus::Ok:
        break;
    }
    std::array<std::int16_t, 4096> some{};
    if (sound.read(some.data(), static_cast<long long>(some.size()) / sound.channels()) <= 0)
        return sound.error().empty() ? uiText("文件里没有声音") : uiText("不是能读出的声音文件");
    return {};
}

} // namespace

bool ReplaceSoundFromFile(CSoundLibrary& library, const SOUND_RECORD* record, const std::string& path,
                          ReadyChoice choice, QString* whyNot) {
    QString problem = soundProblem(path);
    if (problem.isEmpty()) {
        ReadySoundReport report;
        auto writer = [&](const std::string& gbkPath) {
            return writeReadySound(path, nativePath(gbkPath), choice, &report);
        };
        if (library.ReplaceSound(record, writer, &problem))
            return true;
        if (report.tooLong)
            problem = uiText("声音太长，超过了波形文件能存的 4 GB；原来的声音没有改动。");
        else if (report.sourceFailed)
            problem = uiText("声音读到一半出错（文件坏了？）；原来的声音没有改动。");
    }
    if (whyNot)
        *whyNot = problem;
    return false;
}
