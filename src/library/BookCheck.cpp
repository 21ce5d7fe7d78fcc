#include "library/BookCheck.h"

#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/FolderPath.h"
#include "platform/core/Gbk.h"
#include "platform/core/TempFiles.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/SoundFile.h"

#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <functional>
#include <thread>
#include <unordered_set>
#include <utility>

namespace {

// Probing waits on the disk more than it computes: more threads than cores keep it busy.
constexpr std::size_t kProbeThreads = 4;
// A sound noted as not ready: starts this late, or lies this far from the target loudness.
constexpr double kLateStartSeconds = 0.3;
constexpr double kLoudnessToleranceLu = 3.0;

// Where each record of the index starts, as a line number, for the messages, and the sound it names.
struct RecordLine {
    int line = 0;
    bool complete = false;      // has a code, an annotation, a type and a file
    std::string_view soundFile; // GBK, as the library keeps it; a view into the index text
};

// What opening a record's sound told.
struct Probe {
    SoundFileStatus status = SoundFileStatus::Missing;
    std::string error;
    std::string path;        // native, when it was opened elsewhere than as stored
    std::string relocatedTo; // GBK, when found only in the book's folder
};

// Calls probe(i) for i in [0, count) on a few threads, since probing waits on the disk more than it computes.
class CProbeRun {
public:
    CProbeRun(std::size_t count, std::function<void(std::size_t)> probe)
        : m_Count(count), m_Probe(std::move(probe)) {
        for (std::size_t k = 0; k < std::min<std::size_t>(kProbeThreads, count / 64 + 1); ++k)
            m_Workers.emplace_back([this] {
                for (std::size_t i = m_Next++; i < m_Count; i = m_Next++)
                    m_Probe(i);
            });
    }
    ~CProbeRun() { Wait(); }
    void Wait() {
        for (std::thread& w : m_Workers)
            w.join();
        m_Workers.clear();
    }

private:
    std::size_t m_Count;
    std::function<void(std::size_t)> m_Probe;
    std::atomic<std::size_t> m_Next{0};
    std::vector<std::thread> m_Workers;
};

bool knownType(std::string_view type) {
    auto is = [&](std::string_view name) {
        return type.size() == name.size() &&
               std::equal(type.begin(), type.end(), name.begin(),
                          [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; });
    };
    return is("S_WAV") || is("S_MP3");
}

// The sound files (.wav, .mp3) in the book's folder that no line names, by name as the program finds a
// sound: what a filing killed before its line was written leaves behind. Sorted.
std::vector<std::string> unnamedSounds(CSoundLibrary& library, const std::string& folder) {
    std::unordered_set<std::string> named;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        named.insert(FoldedName(nativePath(LastNameOf(r->SoundFile.view()))));
    });
    std::vector<std::string> unnamed;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const std::string upper = FoldedName(name);
        const bool sound = upper.size() > 4 && (upper.ends_with(".WAV") || upper.ends_with(".MP3"));
        if (sound && !isTempFileName(name) && entry.is_regular_file(ec) && !named.count(upper))
            unnamed.push_back(name);
    }
    std::sort(unnamed.begin(), unnamed.end());
    return unnamed;
}

// Sounds that play, but late or at another loudness than the rest: a note each, since kivtool level (or the
// program itself, as it plays) mends them.
template <class Report>
void noteUnreadySounds(const std::vector<const SOUND_RECORD*>& playable, const std::vector<Probe>& probes,
                       Report report) {
    std::vector<const SOUND_RECORD*> sounds;
    for (const SOUND_RECORD* r : playable)
        if (probes[static_cast<std::size_t>(r->Index)].status == SoundFileStatus::Ok)
            sounds.push_back(r);
    std::vector<QString> notes(sounds.size());
    CProbeRun(sounds.size(), [&](std::size_t k) {
        const Probe& p = probes[static_cast<std::size_t>(sounds[k]->Index)];
        const std::string path = p.path.empty() ? nativePath(sounds[k]->SoundFile.view()) : p.path;
        SoundLevel level;
        SoundLoudness loudness;
        if (!measureSoundFile(path, level, loudness) || level.silent)
            return;
        QStringList said;
        const double late = double(level.onset) / std::max(1, level.rate);
        if (late > kLateStartSeconds)
            said << QStringLiteral("声音开头有 %1 秒静音").arg(late, 0, 'f', 1);
        if (loudness.measured && loudness.lufs > -70 &&
            std::abs(loudness.lufs - kTargetLufs) > kLoudnessToleranceLu)
            said << QStringLiteral("响度 %1 LUFS，和统一音量（%2 LUFS）差 %3 LU")
                        .arg(loudness.lufs, 0, 'f', 1)
                        .arg(kTargetLufs, 0, 'f', 0)
                        .arg(std::abs(loudness.lufs - kTargetLufs), 0, 'f', 1);
        if (!said.isEmpty())
            notes[k] = QStringLiteral("（提示）") + said.join(QStringLiteral("；")) +
                       QStringLiteral("（kivtool level 可以整理）");
    }).Wait();
    for (std::size_t k = 0; k < sounds.size(); ++k)
        if (!notes[k].isEmpty())
            report(sounds[k], notes[k]);
}

} // namespace

BookCheck CheckBook(const std::string& nativeFolder) {
    BookCheck check;
    const CFolderPath folder(nativeFolder);
    bool gbkOk = false;
    const CFolderPath gbkFolder(gbkFromNative(folder.str(), &gbkOk));
    const std::string nativeIndex = folder / "KIV_Lib.cfg";
    check.index = QString::fromStdString(nativeIndex);
    std::string text;
    if (!gbkOk || !readWholeFile(nativeIndex, text, kIndexFileLimit)) {
        check.unreadable = gbkOk && errno == EFBIG ? IndexTooLargeText(gbkFolder / "KIV_Lib.cfg")
                                                   : QStringLiteral("不能读取 \"%1\"").arg(check.index);
        return check;
    }

    // Line numbers of the records, in file order (the order of their running index).
    std::vector<RecordLine> lines;
    int lineNo = 1;
    std::size_t counted = 0;
    auto countTo = [&](std::size_t to) {
        for (; counted < to; ++counted) {
            const char c = text[counted];
            if (c == '\n' || (c == '\r' && (counted + 1 >= text.size() || text[counted + 1] != '\n')))
                ++lineNo;
        }
    };
    ScanIndex(text, [&](const IndexLine& l) {
        countTo(l.begin);
        lines.push_back({lineNo, l.fieldCount >= 4, FieldsOf(l).soundFile});
    });

    // The sounds are opened where the records say while the library reads the book; a sound that opens
    // there is found as stored, so only the others need the book's folder searched later. (An index too
    // large for a book is not read by the library: then nothing is opened.)
    std::vector<Probe> probes(lines.size());
    CProbeRun asStored(lines.size(), [&](std::size_t i) {
        if (lines[i].complete)
            probes[i].status = probeSoundFile(
                nativePath(StoredPathInBook(gbkFolder.str(), lines[i].soundFile)), &probes[i].error);
    });

    CSoundLibrary library;
    library.SetLibraryFolder(gbkFolder.str());
    library.LoadIndex();
    auto lineOf = [&](const SOUND_RECORD* r) {
        const std::size_t i = static_cast<std::size_t>(r->Index);
        return i < lines.size() ? lines[i].line : 0;
    };

    std::vector<const SOUND_RECORD*> playable; // complete, heard when scanned, of a type that plays
    playable.reserve(library.RecordCount());
    // Found in the library's order, told in the file's.
    std::vector<std::pair<int, BookCheckFinding>> found;
    auto report = [&](const SOUND_RECORD* r, const QString& what) {
        found.emplace_back(r->Index, BookCheckFinding{lineOf(r), r->Code.str(), what});
    };
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        ++check.records;
        const std::size_t i = static_cast<std::size_t>(r->Index);
        if (i < lines.size() && !lines[i].complete) {
            ++check.broken;
            report(r, QStringLiteral("不是完整的记录（需要条码、内容、声音类型和声音文件）"));
            return;
        }
        const SOUND_RECORD* plays = library.FindRecord(CodeNumber(r->Code.view()));
        if (plays != r) {
            ++check.shadowed;
            report(r, QStringLiteral("条码重复，不会播放；点读时播放第%1行的声音").arg(lineOf(plays)));
            return;
        }
        if (!knownType(r->SoundType.view())) {
            ++check.unplayable;
            report(r, QStringLiteral("不能支持的声音类型 \"%1\"").arg(fromGbk(r->SoundType.view())));
            return;
        }
        playable.push_back(r);
    });
    asStored.Wait();

    // A record whose sound did not open as stored is looked up as the program would play it; so is one
    // whose line changed on disk since it was scanned.
    probes.resize(std::max<std::size_t>(probes.size(), static_cast<std::size_t>(library.RunningIndex())));
    std::vector<std::size_t> again;
    for (const SOUND_RECORD* r : playable) {
        const auto i = static_cast<std::size_t>(r->Index);
        Probe& p = probes[i];
        const bool scanned =
            i < lines.size() && lines[i].complete && lines[i].soundFile == r->SoundFile.view();
        if (scanned && p.status == SoundFileStatus::Ok)
            continue;
        SoundFileFound how{};
        const std::string path = library.SoundFileToPlay(r->SoundFile.view(), &how);
        p.path = nativePath(path);
        if (how == SoundFileFound::Missing)
            p.status = SoundFileStatus::Missing;
        else if (how == SoundFileFound::Relocated || !scanned)
            again.push_back(i);
        if (how == SoundFileFound::Relocated)
            p.relocatedTo = path;
    }
    CProbeRun(again.size(), [&](std::size_t k) {
        Probe& p = probes[again[k]];
        p.status = probeSoundFile(p.path, &p.error);
    }).Wait();

    for (const SOUND_RECORD* r : playable) {
        const Probe& p = probes[static_cast<std::size_t>(r->Index)];
        if (!p.relocatedTo.empty()) {
            ++check.relocated;
            report(r, QStringLiteral("（提示）声音文件 \"%1\" 在点读书文件夹中找到：\"%2\"")
                          .arg(fromGbk(r->SoundFile.view()), fromGbk(p.relocatedTo)));
        }
        if (p.status == SoundFileStatus::Missing) {
            ++check.missing;
            report(r, QStringLiteral("找不到声音文件 \"%1\"").arg(fromGbk(r->SoundFile.view())));
        } else if (p.status != SoundFileStatus::Ok) {
            ++check.unplayable;
            report(r, QStringLiteral("不能解码的声音文件 \"%1\"（%2）")
                          .arg(QString::fromStdString(p.path),
                               QString::fromStdString(p.error.empty() ? std::string("?") : p.error)));
        }
    }

    noteUnreadySounds(playable, probes, report);

    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    check.findings.reserve(found.size());
    for (auto& f : found)
        check.findings.push_back(std::move(f.second));
    for (const std::string& name : unnamedSounds(library, folder.str()))
        check.unnamed.push_back(folder / name);
    return check;
}

QString BookCheckLine(const BookCheck& check, const BookCheckFinding& finding) {
    return QStringLiteral("%1:%2: %3: %4")
        .arg(check.index, QString::number(finding.line), fromGbk(finding.code), finding.text);
}

QString UnnamedSoundLine(const std::string& path) {
    return QStringLiteral("%1: （提示）没有一行索引指向这个声音文件").arg(QString::fromStdString(path));
}

QString BookCheckSummary(const BookCheck& check) {
    return QStringLiteral("%1 条记录：%2 个找不到声音文件，%3 个不能播放，%4 个条码重复，%5 个不完整；"
                          "%6 个声音文件在点读书文件夹中找到。%7")
               .arg(check.records)
               .arg(check.missing)
               .arg(check.unplayable)
               .arg(check.shadowed)
               .arg(check.broken)
               .arg(check.relocated)
               .arg(check.Failed() ? QStringLiteral("有声音不能播放。") : QStringLiteral("全部可以播放。")) +
           (check.unnamed.empty()
                ? QString()
                : QStringLiteral("另有 %1 个声音文件没有索引行。").arg(check.unnamed.size()));
}
