// kivtool check BOOK_FOLDER: reads a book as the program would play it and names every record that would
// not play, and why.
#include "cli/Commands.h"

#include "library/IndexFormat.h"
#include "library/SoundLibrary.h"
#include "platform/Files.h"
#include "platform/Gbk.h"
#include "platform/SoundFile.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// Where each record of the index starts, as a line number, for the messages.
struct RecordLine {
    int line = 0;
    bool complete = false; // has a code, an annotation, a type and a file
};

void printLine(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

bool knownType(std::string_view type) {
    return QString::fromLatin1(type.data(), static_cast<qsizetype>(type.size()))
                   .compare(QLatin1String("S_WAV"), Qt::CaseInsensitive) == 0 ||
           QString::fromLatin1(type.data(), static_cast<qsizetype>(type.size()))
                   .compare(QLatin1String("S_MP3"), Qt::CaseInsensitive) == 0;
}

} // namespace

int runCheck(const QStringList& args) {
    if (args.size() != 1) {
        for (int i = 0; i < kKivCommandCount; ++i)
            if (kKivCommands[i].run == runCheck)
                return usageError(kKivCommands[i], QStringLiteral("需要一个点读书文件夹"));
        return 2;
    }
    std::string folder = QDir::cleanPath(args[0]).toStdString();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    bool gbkOk = false;
    const std::string gbkFolder = gbkFromNative(folder, &gbkOk);
    const std::string nativeIndex = folder + "KIV_Lib.cfg";
    std::string text;
    if (!gbkOk || !readWholeFile(nativeIndex, text)) {
        std::fprintf(stderr, "kivtool: 不能读取 \"%s\"\n", nativeIndex.c_str());
        return 1;
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
        lines.push_back({lineNo, l.fieldCount >= 4});
    });
    text.clear();
    text.shrink_to_fit();

    CSoundLibrary library;
    library.SetLibraryFolder(gbkFolder);
    library.LoadIndex();
    const QString indexName = QString::fromStdString(nativeIndex);
    auto where = [&](const SOUND_RECORD* r) {
        const std::size_t i = static_cast<std::size_t>(r->Index);
        return QStringLiteral("%1:%2: %3")
            .arg(indexName)
            .arg(i < lines.size() ? lines[i].line : 0)
            .arg(fromGbk(r->Code.view()));
    };

    int missing = 0, relocated = 0, unplayable = 0, shadowed = 0, broken = 0;
    std::size_t records = 0;
    struct Probe {
        int index;
        std::string path;
        std::string error;
    };
    std::vector<Probe> toProbe;
    // Found in the library's order, told in the file's.
    std::vector<std::pair<int, QString>> problems;
    auto report = [&](const SOUND_RECORD* r, const QString& what) {
        problems.emplace_back(r->Index, where(r) + what);
    };
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        ++records;
        const std::size_t i = static_cast<std::size_t>(r->Index);
        if (i < lines.size() && !lines[i].complete) {
            ++broken;
            report(r, QStringLiteral(": 不是完整的记录（需要条码、内容、声音类型和声音文件）"));
            return;
        }
        const SOUND_RECORD* plays = library.FindRecord(CodeNumber(r->Code.view()));
        if (plays != r) {
            ++shadowed;
            const std::size_t j = static_cast<std::size_t>(plays->Index);
            report(r, QStringLiteral(": 条码重复，不会播放；点读时播放第%1行的声音")
                          .arg(j < lines.size() ? lines[j].line : 0));
            return;
        }
        if (!knownType(r->SoundType.view())) {
            ++unplayable;
            report(r, QStringLiteral(": 不能支持的声音类型 \"%1\"").arg(fromGbk(r->SoundType.view())));
            return;
        }
        SoundFileFound how{};
        const std::string path = library.SoundFileToPlay(r->SoundFile.view(), &how);
        if (how == SoundFileFound::Missing) {
            ++missing;
            report(r, QStringLiteral(": 找不到声音文件 \"%1\"").arg(fromGbk(r->SoundFile.view())));
            return;
        }
        if (how == SoundFileFound::Relocated) {
            ++relocated;
            report(r, QStringLiteral(": （提示）声音文件 \"%1\" 在点读书文件夹中找到：\"%2\"")
                          .arg(fromGbk(r->SoundFile.view()), fromGbk(path)));
        }
        toProbe.push_back({r->Index, nativePath(path), {}});
    });

    // Last, the costly part: does each sound that is there decode? Files are probed side by side, since a
    // big book spends its time waiting for the disk.
    std::atomic<std::size_t> next{0};
    auto probe = [&] {
        for (std::size_t i = next++; i < toProbe.size(); i = next++)
            if (probeSoundFile(toProbe[i].path, &toProbe[i].error) == SoundFileStatus::Ok)
                toProbe[i].error.clear();
            else if (toProbe[i].error.empty())
                toProbe[i].error = "?";
    };
    std::vector<std::thread> workers;
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    for (unsigned k = 1; k < count; ++k)
        workers.emplace_back(probe);
    probe();
    for (std::thread& w : workers)
        w.join();
    for (const Probe& p : toProbe) {
        if (p.error.empty())
            continue;
        ++unplayable;
        const SOUND_RECORD* r = library.RecordByIndex(p.index);
        report(r, QStringLiteral(": 不能解码的声音文件 \"%1\"（%2）")
                      .arg(QString::fromStdString(p.path), QString::fromStdString(p.error)));
    }

    std::sort(problems.begin(), problems.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& p : problems)
        printLine(p.second);
    const int failed = missing + unplayable + shadowed + broken;
    printLine(QStringLiteral("%1 条记录：%2 个找不到声音文件，%3 个不能播放，%4 个条码重复，%5 个不完整；"
                             "%6 个声音文件在点读书文件夹中找到。%7")
                  .arg(records)
                  .arg(missing)
                  .arg(unplayable)
                  .arg(shadowed)
                  .arg(broken)
                  .arg(relocated)
                  .arg(failed ? QStringLiteral("有声音不能播放。") : QStringLiteral("全部可以播放。")));
    return failed ? 1 : 0;
}
