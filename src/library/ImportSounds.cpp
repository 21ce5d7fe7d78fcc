#include "library/ImportSounds.h"
#include "platform/core/UiText.h"

#include "library/Annotation.h"
#include "library/SoundLibrary.h"
#include "platform/core/Files.h"
#include "platform/core/Gbk.h"
#include "platform/core/TempFiles.h"
#include "platform/soundfile/ReadySound.h"
#include "platform/soundfile/SoundFile.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

namespace {

// A chunk small enough that memory does not grow with a long file, large enough to keep the decoder busy.
constexpr long long kChunkFrames = 16384;

std::string_view baseName(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view withoutExtension(std::string_view name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

FillOutcome passedOver(const std::string& path, const QString& why) {
    FillOutcome o;
    o.source = NameText(path);
    o.problem = why;
    return o;
}

struct Walk {
    std::set<std::pair<unsigned long long, unsigned long long>> seenFolders;
    std::vector<std::string> files;
    std::vector<FillOutcome> passed;

    void add(const std::string& path, bool given) {
        const PathKind kind = pathKind(path);
        if (!kind.exists) {
            if (given || pathKind(path, false).exists)
                passed.push_back(passedOver(path, uiText("找不到文件（或链接指向不存在的地方）")));
            return;
        }
        if (kind.regular) {
            files.push_back(path);
        } else if (kind.folder) {
            if (!seenFolders.insert({kind.device, kind.inode}).second) {
                passed.push_back(passedOver(path, uiText("这个文件夹已经找过了（链接指回上层文件夹）")));
                return;
            }
            std::vector<std::string> names;
            if (!folderNames(path, names)) {
                passed.push_back(passedOver(path, uiText("不能打开文件夹")));
                return;
            }
            const std::string prefix = path.back() == '/' ? path : path + '/';
            for (const std::string& name : names)
                if (name[0] != '.')
                    add(prefix + name, false);
        } else if (given) {
            passed.push_back(passedOver(path, uiText("不是普通文件")));
        }
    }
};

} // namespace

QString NameText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    if (gbkRoundTrips(bytes))
        return fromGbk(bytes);
    return text;
}

ImportList CollectSoundFiles(const std::vector<std::string>& nativePaths) {
    Walk walk;
    for (const std::string& path : nativePaths)
        walk.add(path, true);
    // Sorted by the text a person reads, so "2" comes before "10" in names of any encoding.
    std::vector<std::pair<QString, std::string>> keyed;
    keyed.reserve(walk.files.size());
    for (std::string& f : walk.files)
        keyed.emplace_back(NameText(f), std::move(f));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return NaturalLess(a.first, b.first); });
    ImportList list;
    list.files.reserve(keyed.size());
    for (auto& k : keyed)
        list.files.push_back(std::move(k.second));
    list.passed = std::move(walk.passed);
    return list;
}

FillOutcome ImportSoundFile(CSoundLibrary& library, const std::string& path) {
    FillOutcome outcome;
    outcome.source = NameText(path);
    if (const PathKind kind = pathKind(path); kind.regular && kind.size == 0) {
        outcome.problem = uiText("文件是空的");
        return outcome;
    }
    CSoundFile sound;
    switch (sound.open(path)) {
    case SoundFileStatus::Missing:
        outcome.problem = uiText("找不到文件");
        return outcome;
    case SoundFileStatus::Undecodable:
        outcome.problem = uiText("不是能读出的声音文件");
        return outcome;
    case SoundFileStatus::Ok:
        break;
    }
    const int channels = sound.channels();
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(kChunkFrames * channels));
    // The first chunk is decoded before a code is taken: a file that gives no sound files nothing.
    long long got = sound.read(chunk.data(), kChunkFrames);
    if (got <= 0) {
        outcome.problem = sound.error().empty() ? uiText("文件里没有声音") : uiText("不是能读出的声音文件");
        return outcome;
    }
    const std::string title = sound.title();
    QString label = NameText(title).trimmed();
    if (label.isEmpty())
        label = NameText(withoutExtension(baseName(path)));
    bool replaced = false;
    const std::string content = AnnotationFromText(label, &replaced);

    ReadySoundReport report;
    QString writeProblem;
    auto writer = [&](const std::string& gbkPath) {
        if (writeReadySound(path, nativePath(gbkPath), g_ReadyChoice, &report))
            return true;
        if (report.tooLong)
            writeProblem = uiText("声音太长，超过了波形文件能存的 4 GB");
        else if (report.sourceFailed)
            writeProblem = uiText("声音读到一半出错（文件坏了？）");
        return false;
    };
    const SOUND_RECORD* record = library.FileSound(content, writer, &outcome.problem);
    if (!record) {
        if (!writeProblem.isEmpty())
            outcome.problem = writeProblem;
        return outcome;
    }
    outcome.code = record->Code.str();
    outcome.content = record->Content.str();
    QStringList notes;
    if (replaced)
        notes << uiText("注释里有不能保存的字符，已换成“?”");
    if (!sound.isMp3() && sound.frames() > report.framesRead)
        notes << uiText("文件不完整，只存了能读出的部分");
    outcome.problem = notes.join(uiText("；"));
    return outcome;
}

void RemoveUnfinishedSounds(const CSoundLibrary& library) {
    removeStaleTempFiles(nativePath(library.LibraryFolder()));
}
