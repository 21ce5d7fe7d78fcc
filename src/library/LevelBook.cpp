#include "library/LevelBook.h"

#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/SoundFile.h"

#include <cmath>
#include <set>
#include <vector>

namespace {

// A sound this close to ready is left as it is: its file keeps its bytes and its time.
constexpr double kReadyEnoughDb = 1.0;
constexpr int kSlackMs = 20;

bool readyEnough(const SoundLevel& level, const SoundLoudness& loudness) {
    if (level.silent)
        return true;
    const ReadyCut cut = readyPart(level, level.rate, ReadyChoice{});
    const long long slack = (long long)level.rate * kSlackMs / 1000;
    return cut.from <= slack && level.frames - cut.to <= slack &&
           std::abs(20 * std::log10(readyGain(loudness))) <= kReadyEnoughDb;
}

// Why a file is left as it is; empty when it may be levelled.
QString whyLeft(const std::string& path, const std::string& book) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || canonicalPath(path.substr(0, slash)) != book)
        return QStringLiteral("不在点读书文件夹里，保持原样");
    if (const PathKind kind = pathKind(path, false); !kind.regular)
        return QStringLiteral("不是普通文件，保持原样");
    else if (!kind.ownerMayWrite || !canWrite(path))
        return QStringLiteral("只读，保持原样");
    CSoundFile probe;
    if (probe.open(path, true) == SoundFileStatus::Ok && probe.isMp3())
        return QStringLiteral("MP3，保持原样");
    return {};
}

LevelStep levelFile(const std::string& path, const std::string& book) {
    if (QString why = whyLeft(path, book); !why.isEmpty())
        return {LevelStep::Left, path, why};
    SoundLevel level;
    SoundLoudness loudness;
    if (!measureSoundFile(path, level, loudness))
        return {LevelStep::Failed, path, QStringLiteral("不能解码，没有整理")};
    if (readyEnough(level, loudness))
        return {LevelStep::Ready, path, QStringLiteral("不用整理")};
    ReadySoundReport report;
    if (!writeReadySound(path, path, ReadyChoice{}, &report))
        return {LevelStep::Failed, path, QStringLiteral("整理失败，文件保持原样")};
    const double rate = std::max(1, report.level.rate);
    return {LevelStep::Levelled, path,
            QStringLiteral("已整理（去掉开头 %1 秒、结尾 %2 秒，音量 %3%4 dB）")
                .arg(double(report.cut.from) / rate, 0, 'f', 2)
                .arg(double(report.level.frames - report.cut.to) / rate, 0, 'f', 2)
                .arg(report.cut.gain >= 1 ? QStringLiteral("+") : QString())
                .arg(20 * std::log10(report.cut.gain), 0, 'f', 1)};
}

} // namespace

LevelCounts LevelBook(CSoundLibrary& library, const std::function<void(const LevelStep&)>& told) {
    const std::string book = canonicalPath(nativePath(library.LibraryFolder()));
    std::vector<std::string> files;
    std::set<std::string> seen;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        SoundFileFound how{};
        const std::string path = nativePath(library.SoundFileToPlay(r->SoundFile.view(), &how));
        if (how != SoundFileFound::Missing && seen.insert(path).second)
            files.push_back(path);
    });
    LevelCounts counts;
    for (const std::string& path : files) {
        const LevelStep step = levelFile(path, book);
        int* count[] = {&counts.levelled, &counts.ready, &counts.left, &counts.failed};
        ++*count[step.kind];
        told(step);
    }
    return counts;
}
