// kivtool import and say, run as a user runs them: the tool on a book folder, then the book as the program
// loads it, and the filed sounds played into the null sink and heard there.
#include "cli/Kivtool.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/sound/SoundOutput.h"
#include "platform/soundfile/WaveFile.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/Wave.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sndfile.h>
#include <unistd.h>

namespace {

// A sine tone in any format libsndfile writes; the title tag when given.
void writeSoundFile(const std::string& path, int format, int rate, int channels, double hz, double seconds,
                    const char* title = nullptr) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (title)
        sf_set_string(f, SF_STR_TITLE, title);
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> pcm(static_cast<std::size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<std::size_t>(i * channels + c)] =
                0.5f * std::sin(2 * M_PI * hz * double(i) / rate);
    sf_writef_float(f, pcm.data(), frames);
    sf_close(f);
}

struct Filed {
    std::string code, file;
    QString content;
};

std::vector<Filed> loadBook(const std::string& folder) {
    CSoundLibrary library;
    library.SetLibraryFolder(folder);
    library.LoadIndex();
    std::vector<Filed> records;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        records.push_back({r->Code.str(), nativePath(r->SoundFile.view()), fromGbk(r->Content.view())});
    });
    std::sort(records.begin(), records.end(), [](const Filed& a, const Filed& b) { return a.code < b.code; });
    return records;
}

SF_INFO waveInfo(const std::string& path) {
    SF_INFO info{};
    if (SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info))
        sf_close(f);
    return info;
}

// The frequency of the tone the sink plays while the file plays, from the zero crossings of its loud part.
double heardFrequency(const std::string& wav) {
    CSinkMonitor capture;
    CSoundOutput output;
    if (!capture.started() || output.play(wav) != SoundOpen::Started)
        return -1;
    capture.wait(1100);
    const std::vector<short> s = capture.samples();
    const double from = capture.firstLoud(0.05), to = capture.lastLoud(0.05);
    if (from < 0 || to - from < 0.2)
        return -1;
    // A margin at both ends keeps the fade in and out of the stream out of the count.
    const auto a = static_cast<std::size_t>((from + 0.05) * 44100),
               b = static_cast<std::size_t>((to - 0.05) * 44100);
    int crossings = 0;
    for (std::size_t i = a + 1; i < b && i < s.size(); ++i)
        crossings += (s[i - 1] < 0) != (s[i] < 0);
    return crossings / 2.0 / (double(b - a) / 44100);
}

} // namespace

TEST(ImportTool, MixedFolderIsFiledInNaturalOrderAndEachRecordPlaysItsOwnTone) {
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    TempFolder book, src;
    const std::string in = src.path();
    QDir().mkpath(QString::fromStdString(in + "sub"));
    struct Tone {
        std::string name;
        int format, rate, channels;
        double hz;
        const char* title;
    };
    const std::vector<Tone> tones = {
        {"01 wav16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 440, nullptr},
        {"02 stereo24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 2, 550, nullptr},
        {"03 float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 1, 330, nullptr},
        {"04 voice.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1, 990, nullptr},
        {"09 \xF0\x9F\x98\x80 smile.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 600, nullptr},
        {"sub/10.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, 880, nullptr},
        {"sub/2.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 660, "  第二课 苹果  "},
        {"\xC6\xBB\xB9\xFB.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000, 1, 500, nullptr}, // "苹果" in GBK
    };
    for (const Tone& t : tones)
        writeSoundFile(in + t.name, t.format, t.rate, t.channels, t.hz, 0.6, t.title);
    writeSoundFile(in + "mp3.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 770, 0.6);
    bool encoded = false;
    run(QStringLiteral("lame"),
        {QStringLiteral("--quiet"), QStringLiteral("--tt"), QStringLiteral("歌曲标题"),
         QString::fromStdString(in + "mp3.wav"), QString::fromStdString(in + "05 song.mp3")},
        &encoded);
    ASSERT_TRUE(encoded);
    QFile::remove(QString::fromStdString(in + "mp3.wav"));
    writeFile(in + "06 empty.mp3", "");
    writeFile(in + "07 notes.mp3", "not a sound at all\n");
    writeFile(in + "07 absurd.wav", waveHeader(WaveFormat{2000000000, 1024}, 4096) + std::string(4096, '\1'));
    writeSoundFile(in + "whole.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 440, 0.6);
    const std::string flac = readFile(in + "whole.flac");
    QFile::remove(QString::fromStdString(in + "whole.flac"));
    writeFile(in + "08 cut.flac", flac.substr(0, flac.size() / 2));
    ASSERT_EQ(::symlink("..", (in + "sub/loop").c_str()), 0);

    const ProcessRun run =
        kivtool({QStringLiteral("import"), QString::fromStdString(book.path()), QString::fromStdString(in)});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString(); // something was refused
    EXPECT_TRUE(run.err.contains(QStringLiteral("06 empty.mp3: 文件是空的"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("07 notes.mp3: 不是能读出的声音文件")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("07 absurd.wav: 不是能读出的声音文件")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("sub/loop")));

    const std::vector<Filed> records = loadBook(book.path());
    QStringList contents;
    for (const Filed& r : records) {
        contents << r.content;
        EXPECT_TRUE(run.out.contains(QString::fromStdString(r.code) + QStringLiteral("  ") + r.content));
    }
    // The cut FLAC may give part of its sound or none; everything else is in the order of the paths (names
    // in Chinese by their reading), annotated with its title tag or else its name.
    contents.removeAll(QStringLiteral("08 cut"));
    EXPECT_EQ(contents, (QStringList{"01 wav16", "02 stereo24", "03 float", "04 voice", "歌曲标题",
                                     "09 ? smile", "苹果", "第二课 苹果", "10"}));
    EXPECT_TRUE(run.out.contains(QStringLiteral("已换成“?”")));

    // Each record is a 16-bit wave at its source's rate and channels, and sounds its source's tone.
    struct Heard {
        int rate, channels;
        double hz;
    };
    const std::map<QString, Heard> expected = {
        {"01 wav16", {44100, 1, 440}},    {"02 stereo24", {22050, 2, 550}}, {"03 float", {8000, 1, 330}},
        {"04 voice", {48000, 1, 990}},    {"歌曲标题", {44100, 1, 770}},    {"09 ? smile", {44100, 1, 600}},
        {"第二课 苹果", {44100, 1, 660}}, {"10", {44100, 1, 880}},          {"苹果", {16000, 1, 500}},
    };
    for (const Filed& r : records) {
        const auto e = expected.find(r.content);
        if (e == expected.end())
            continue;
        const SF_INFO info = waveInfo(r.file);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << r.file;
        EXPECT_EQ(info.samplerate, e->second.rate) << r.file;
        EXPECT_EQ(info.channels, e->second.channels) << r.file;
        EXPECT_NEAR(heardFrequency(r.file), e->second.hz, e->second.hz * 0.04) << r.content.toStdString();
    }
}

TEST(SayTool, LinesOfAGbkFileAreSpokenLoudAndLongerTextTakesLonger) {
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    TempFolder book, src;
    writeFile(src.file("lines.txt"), toGbk(QStringLiteral("苹果\r\n\r\n   \n我们一起去公园看美丽的花\n")));
    const ProcessRun run = kivtool({QStringLiteral("say"), QString::fromStdString(book.path()),
                                    QStringLiteral("--rate"), QStringLiteral("175"), QStringLiteral("--from"),
                                    QString::fromStdString(src.file("lines.txt"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("000000  苹果\n000001  我们一起去公园看美丽的花\n")))
        << run.out.toStdString();
    const std::vector<Filed> records = loadBook(book.path());
    ASSERT_EQ(records.size(), 2u);
    int rate = 0;
    const std::vector<short> shortLine = readMono16(records[0].file, &rate);
    const std::vector<short> longLine = readMono16(records[1].file);
    ASSERT_GT(rate, 0);
    const double shortSeconds = double(shortLine.size()) / rate, longSeconds = double(longLine.size()) / rate;
    EXPECT_GT(shortSeconds, 0.3);
    EXPECT_LT(shortSeconds, 2.5);
    EXPECT_GT(longSeconds, 2 * shortSeconds);
    EXPECT_GT(rms(longLine), 0.05);

    // Heard in the sink for about as long as the file lasts.
    CSinkMonitor capture;
    CSoundOutput output;
    ASSERT_EQ(output.play(records[1].file), SoundOpen::Started);
    capture.wait(int(longSeconds * 1000) + 800);
    EXPECT_GT(capture.loudSeconds(0.02), 0.5 * longSeconds);
    EXPECT_LT(capture.lastLoud(0.02) - capture.firstLoud(0.02), longSeconds + 0.3);
}

TEST(SayTool, ABookAnotherProgramHasOpenIsRefusedAndKeptAsItWas) {
    // The lock names the process that holds it: the tool runs as a process of its own here.
    const auto kivtool = [](const QStringList& args) { return kivtoolProcess(args); };
    TempFolder book;
    CSoundLibrary holder;
    ASSERT_EQ(holder.OpenBook(book.path()), CSoundLibrary::Access::Writable);
    const ProcessRun refused =
        kivtool({QStringLiteral("say"), QString::fromStdString(book.path()), QStringLiteral("苹果")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("已在另一个KIV中打开"))) << refused.err.toStdString();
    EXPECT_TRUE(loadBook(book.path()).empty());
    // Once the other program lets the book go, the tool may change it.
    holder.CloseBook();
    EXPECT_EQ(kivtool({QStringLiteral("say"), QString::fromStdString(book.path()), QStringLiteral("苹果")})
                  .exitCode,
              0);
    EXPECT_EQ(loadBook(book.path()).size(), 1u);

    // A lock another computer left is taken over only when asked to.
    writeFile(book.file("KIV_Lib.lock"), "4242\nKIV\nclassroom-pc\n");
    const ProcessRun elsewhere =
        kivtool({QStringLiteral("say"), QString::fromStdString(book.path()), QStringLiteral("香蕉")});
    EXPECT_EQ(elsewhere.exitCode, 1);
    EXPECT_TRUE(elsewhere.err.contains(QStringLiteral("这本点读书在另一台电脑（classroom-pc）上于")))
        << elsewhere.err.toStdString();
    EXPECT_EQ(kivtool({QStringLiteral("say"), QStringLiteral("--take-over"),
                       QString::fromStdString(book.path()), QStringLiteral("香蕉")})
                  .exitCode,
              0);
    EXPECT_EQ(loadBook(book.path()).size(), 2u);

    // A file without end is read no further than a text file can be, and nothing of it is filed.
    TempFolder src;
    writeFile(src.file("big.txt"), std::string(3 << 20, 'a'));
    for (const char* endless : {"/dev/zero", "big.txt"}) {
        const ProcessRun r =
            kivtool({QStringLiteral("say"), QString::fromStdString(book.path()), QStringLiteral("--from"),
                     QString::fromStdString(endless[0] == '/' ? endless : src.file(endless))});
        EXPECT_EQ(r.exitCode, 1) << endless;
        EXPECT_TRUE(r.err.contains(QStringLiteral("太大（超过 1 MB），没有读取"))) << r.err.toStdString();
    }
    EXPECT_EQ(loadBook(book.path()).size(), 2u);

    // A book handed over with its index linked to a file of the user's: nothing is filed through it.
    TempFolder handed;
    writeFile(src.file(".bashrc"), "keep");
    writeSoundFile(src.file("a.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 440, 0.2);
    ::symlink(src.file(".bashrc").c_str(), handed.file("KIV_Lib.cfg").c_str());
    const ProcessRun linked = kivtool({QStringLiteral("import"), QString::fromStdString(handed.path()),
                                       QString::fromStdString(src.file("a.wav"))});
    EXPECT_EQ(linked.exitCode, 1);
    EXPECT_TRUE(linked.err.contains(QStringLiteral("链接到点读书文件夹以外的文件")))
        << linked.err.toStdString();
    EXPECT_EQ(readFile(src.file(".bashrc")), "keep");
}

TEST(ImportTool, KilledAtRandomMomentsLeavesEveryIndexLineWithItsWholeSound) {
    TempFolder book, src;
    for (int i = 0; i < 40; ++i)
        writeSoundFile(src.file("t" + std::to_string(i) + ".wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                       440, 3.0);
    const QString tool = qEnvironmentVariable("KIV_BINARY_DIR") + QStringLiteral("/kivtool");
    const QStringList args{QStringLiteral("import"), QString::fromStdString(book.path()),
                           QString::fromStdString(src.path())};
    auto checkBook = [&] {
        for (const Filed& r : loadBook(book.path())) {
            const std::string bytes = readFile(r.file);
            ASSERT_GE(bytes.size(), 44u) << r.code;
            std::uint32_t data = 0;
            std::memcpy(&data, bytes.data() + 40, 4);
            EXPECT_EQ(bytes.size(), 44u + data) << r.code << ": the sound is not whole";
        }
    };
    for (int round = 0; round < 8; ++round) {
        QProcess p;
        p.start(tool, args);
        ASSERT_TRUE(p.waitForStarted(5000));
        QThread::msleep(QRandomGenerator::global()->bounded(30, 250));
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished(5000);
        checkBook();
    }
    // A full run afterwards files everything and leaves no unfinished file behind.
    const std::size_t before = loadBook(book.path()).size();
    ASSERT_EQ(kivtool(args).exitCode, 0);
    checkBook();
    EXPECT_EQ(loadBook(book.path()).size(), before + 40);
    EXPECT_TRUE(QDir(QString::fromStdString(book.path()))
                    .entryList({QStringLiteral("*.tmp-*")}, QDir::Files)
                    .isEmpty());
}

TEST(ReplaceTool, TheCodeKeepsItsLineAndPlaysTheNewTone) {
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    TempFolder book, src;
    writeSoundFile(src.file("a.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 440, 1.0);
    writeSoundFile(src.file("better.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 2, 1000, 1.0);
    ASSERT_EQ(kivtool({QStringLiteral("import"), QString::fromStdString(book.path()),
                       QString::fromStdString(src.file("a.wav"))})
                  .exitCode,
              0);
    const std::string index = readFile(book.file("KIV_Lib.cfg"));
    const ProcessRun run =
        kivtool({QStringLiteral("replace"), QString::fromStdString(book.path()), QStringLiteral("000000"),
                 QString::fromStdString(src.file("better.flac"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")), index);
    EXPECT_NEAR(heardFrequency(book.file("000000.wav")), 1000, 40);
    // Usage errors and a code the book does not hold.
    EXPECT_EQ(kivtool({QStringLiteral("replace"), QString::fromStdString(book.path()), QStringLiteral("x1"),
                       QString::fromStdString(src.file("a.wav"))})
                  .exitCode,
              2);
    EXPECT_EQ(kivtool({QStringLiteral("replace"), QString::fromStdString(book.path()),
                       QStringLiteral("000009"), QString::fromStdString(src.file("a.wav"))})
                  .exitCode,
              1);
}

TEST(PackTool, APackedBookUnpackedInAFreshFolderPlaysEveryRecord) {
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    TempFolder src, out;
    auto book = std::make_unique<TempFolder>();
    const std::map<std::string, double> tones{{"1 do.wav", 523}, {"2 mi.flac", 659}, {"3 so.ogg", 784}};
    for (const auto& [name, hz] : tones)
        writeSoundFile(src.file(name),
                       name.ends_with(".wav")    ? SF_FORMAT_WAV | SF_FORMAT_PCM_16
                       : name.ends_with(".flac") ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                                                 : SF_FORMAT_OGG | SF_FORMAT_VORBIS,
                       44100, 1, hz, 1.0);
    ASSERT_EQ(kivtool({QStringLiteral("import"), QString::fromStdString(book->path()),
                       QString::fromStdString(src.path())})
                  .exitCode,
              0);
    const QString archive = QString::fromStdString(out.file("lesson.kivbook"));
    ProcessRun run = kivtool({QStringLiteral("pack"), QString::fromStdString(book->path()), archive,
                              QStringLiteral("--labels"), QStringLiteral("a4-list")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    book.reset(); // the index's paths now lead nowhere: only the unpacked files can play
    run = kivtool({QStringLiteral("unpack"), archive, QString::fromStdString(out.file("fresh"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    CSoundLibrary library;
    library.SetLibraryFolder(out.file("fresh/"));
    library.LoadIndex();
    ASSERT_EQ(library.RecordCount(), tones.size());
    std::vector<std::pair<std::string, std::string>> played;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        played.emplace_back(fromGbk(r->Content.view()).toStdString(),
                            nativePath(library.SoundFileToPlay(r->SoundFile.view())));
    });
    for (const auto& [content, file] : played) {
        auto tone = std::find_if(tones.begin(), tones.end(),
                                 [&](const auto& t) { return t.first.starts_with(content); });
        ASSERT_NE(tone, tones.end()) << content;
        EXPECT_EQ(file.rfind(out.file("fresh/"), 0), 0u) << file;
        EXPECT_NEAR(heardFrequency(file), tone->second, tone->second * 0.04) << content;
    }
    // The label sheet came along, in code order.
    EXPECT_TRUE(
        runProcess(QStringLiteral("pdftotext"),
                   {QString::fromStdString(out.file("fresh/标签页.pdf")), QStringLiteral("-")})
            .out.contains(QRegularExpression(QStringLiteral("000000\\s+1 do\\s+000001\\s+2 mi\\s+000002"))));
    // Never a merge: the same folder again is refused and left as it is.
    run = kivtool({QStringLiteral("unpack"), archive, QString::fromStdString(out.file("fresh"))});
    EXPECT_EQ(run.exitCode, 1);
}

TEST(PackTool, KilledMidWayNothingHalfMadeStays) {
    TempFolder book, out, data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));
    // 60 sounds of 4 MB (links to one file): long enough to be caught at work.
    writeFile(book.file("big.wav"), waveBytes(8000, std::vector<short>(2 << 20, 100)));
    std::string index;
    for (int i = 0; i < 60; ++i) {
        const std::string name = book.file("s" + std::to_string(i) + ".wav");
        ASSERT_EQ(::link(book.file("big.wav").c_str(), name.c_str()), 0);
        index += QStringLiteral("%1  s  S_WAV  \"").arg(i, 6, 10, QChar('0')).toStdString() + name + "\"\r\n";
    }
    writeFile(book.file("KIV_Lib.cfg"), index);
    const std::string archive = out.file("lesson.kivbook");
    writeFile(archive, "the lesson packed before");
    auto entries = [](const std::string& folder, const QString& pattern) {
        return QDir(QString::fromStdString(folder)).entryInfoList({pattern}, QDir::Files | QDir::Hidden);
    };
    // Runs kivtool and kills it the moment it is half-way, as said; false when it ended first.
    auto killMidWay = [](const QStringList& args, const std::function<bool()>& halfWay) {
        QProcess p;
        p.start(qEnvironmentVariable("KIV_BINARY_DIR") + QStringLiteral("/kivtool"), args);
        EXPECT_TRUE(p.waitForStarted(5000));
        while (!p.waitForFinished(0)) {
            if (halfWay()) {
                ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
                p.waitForFinished(5000);
                return true;
            }
            QThread::usleep(300);
        }
        return false;
    };
    const QStringList pack{QStringLiteral("pack"), QString::fromStdString(book.path()),
                           QString::fromStdString(archive)};
    ASSERT_TRUE(killMidWay(pack, [&] {
        const QFileInfoList temp = entries(out.path(), QStringLiteral("lesson.kivbook.tmp-*"));
        return !temp.isEmpty() && temp[0].size() > (20 << 20);
    }));
    EXPECT_EQ(readFile(archive), "the lesson packed before");
    ASSERT_EQ(entries(out.path(), QStringLiteral("*.tmp-*")).size(), 1);
    // The next pack into that folder takes the leftover away.
    ASSERT_EQ(kivtool(pack).exitCode, 0);
    EXPECT_EQ(entries(out.path(), QStringLiteral("*")).size(), 1);

    const std::string half = out.file("half/");
    ASSERT_TRUE(
        killMidWay({QStringLiteral("unpack"), QString::fromStdString(archive), QString::fromStdString(half)},
                   [&] { return entries(half, QStringLiteral("*.wav")).size() > 5; }));
    ASSERT_TRUE(fileExists(half + ".kivbook-unpacking"));
    // The next unpack (as the next start of KIV) removes the half-made book before it begins.
    ASSERT_EQ(kivtool({QStringLiteral("unpack"), QString::fromStdString(archive),
                       QString::fromStdString(out.file("whole"))})
                  .exitCode,
              0);
    EXPECT_FALSE(fileExists(half));
    EXPECT_EQ(entries(out.file("whole"), QStringLiteral("*")).size(), 61);
    qunsetenv("XDG_DATA_HOME");
}
