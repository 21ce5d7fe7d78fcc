// kivtool level BOOK_FOLDER: rewrites the book's wave files ready to play (the silence around the content
// cut, one loudness), so the book plays at once on every copy of the program. Only sound files inside the
// book are touched, each once, atomically, with the book's lock held; read-only files and MP3s stay as they
// are and are named.
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/ReadySound.h"
#include "platform/SoundFile.h"

#include <QFile>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

// A sound this close to ready is left as it is: its file keeps its bytes and its time.
constexpr double kReadyEnoughDb = 1.0;
constexpr int kSlackMs = 20;

std::string realFolder(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool readyEnough(const SoundLevel& level, const SoundLoudness& loudness) {
    if (level.silent)
        return true;
    const ReadyCut cut = readyPart(level, level.rate, ReadyChoice{});
    const long long slack = (long long)level.rate * kSlackMs / 1000;
    return cut.from <= slack && level.frames - cut.to <= slack &&
           std::abs(20 * std::log10(readyGain(loudness))) <= kReadyEnoughDb;
}

} // namespace

int runLevel(const QStringList& args) {
    const KivCommand& self = kivCommandNamed("level");
    if (args.size() != 1)
        return usageError(self, QStringLiteral("需要一个点读书文件夹"));
    CSoundLibrary library;
    if (!openBookForChange(args.first(), library))
        return 1;
    const std::string book = realFolder(nativePath(library.LibraryFolder()));
    std::vector<std::string> files;
    std::set<std::string> seen;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        SoundFileFound how{};
        const std::string path = nativePath(library.SoundFileToPlay(r->SoundFile.view(), &how));
        if (how != SoundFileFound::Missing && seen.insert(path).second)
            files.push_back(path);
    });
    int levelled = 0, ready = 0, left = 0, failed = 0;
    for (const std::string& path : files) {
        const QString name = QFile::decodeName(QByteArray::fromStdString(path));
        const std::size_t slash = path.rfind('/');
        QString why;
        if (slash == std::string::npos || realFolder(path.substr(0, slash)) != book)
            why = QStringLiteral("不在点读书文件夹里，保持原样");
        else if (const PathKind kind = pathKind(path, false); !kind.regular)
            why = QStringLiteral("不是普通文件，保持原样");
        else if (!kind.ownerMayWrite || !canWrite(path))
            why = QStringLiteral("只读，保持原样");
        CSoundFile probe;
        if (why.isEmpty() && probe.open(path, true) == SoundFileStatus::Ok && probe.isMp3())
            why = QStringLiteral("MP3，保持原样");
        if (!why.isEmpty()) {
            ++left;
            printLine(name + QStringLiteral(": ") + why);
            continue;
        }
        SoundLevel level;
        SoundLoudness loudness;
        if (!measureSoundFile(path, level, loudness)) {
            ++failed;
            printLine(name + QStringLiteral(": 不能解码，没有整理"), true);
            continue;
        }
        if (readyEnough(level, loudness)) {
            ++ready;
            printLine(name + QStringLiteral(": 不用整理"));
            continue;
        }
        ReadySoundReport report;
        if (!writeReadySound(path, path, ReadyChoice{}, &report)) {
            ++failed;
            printLine(name + QStringLiteral(": 整理失败，文件保持原样"), true);
            continue;
        }
        ++levelled;
        const double rate = std::max(1, report.level.rate);
        printLine(name + QStringLiteral(": 已整理（去掉开头 %1 秒、结尾 %2 秒，音量 %3%4 dB）")
                             .arg(double(report.cut.from) / rate, 0, 'f', 2)
                             .arg(double(report.level.frames - report.cut.to) / rate, 0, 'f', 2)
                             .arg(report.cut.gain >= 1 ? QStringLiteral("+") : QString())
                             .arg(20 * std::log10(report.cut.gain), 0, 'f', 1));
    }
    printLine(QStringLiteral("整理了 %1 个声音，%2 个不用整理，%3 个保持原样，%4 个失败。")
                  .arg(levelled)
                  .arg(ready)
                  .arg(left)
                  .arg(failed));
    return failed == 0 ? 0 : 1;
}
