// kivtool check as a user runs it on a book that travelled badly: one line per record that would not play,
// the ones found only in the book's folder as notes, and a summary; the exit status says whether all plays.
#include "cli/Kivtool.h"
#include "library/IndexFormat.h"
#include "platform/soundfile/WaveFile.h"
#include "support/FakeRecorder.h"

#include <QDir>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// kivtool check, in this process, run from the working folder when one is given.
ProcessRun check(const QStringList& args, const std::string& workingFolder = {}) {
    const QString before = QDir::currentPath();
    if (!workingFolder.empty())
        QDir::setCurrent(QString::fromStdString(workingFolder));
    ProcessRun run = kivtool(QStringList{"check"} + args);
    QDir::setCurrent(before);
    return run;
}

} // namespace

TEST(CheckTool, NamesEveryRecordThatWouldNotPlayAndWhy) {
    TempFolder book;
    writeFile(book.file("000001.wav"), WaveBytes());
    writeFile(book.file("000002.wav"), WaveBytes());
    writeFile(book.file("bad.wav"), "not a sound at all");
    writeFile(book.file("KIV_Lib.cfg"), "000001      one         S_WAV       \"" + book.file("000001.wav") +
                                            "\"\r\n"
                                            "000002      two         S_WAV       \"C:\\KIV\\000002.WAV\"\r\n"
                                            "000003      three       S_WAV       \"C:\\KIV\\000003.wav\"\r\n"
                                            "\r\n"
                                            "000004      four        S_OGG       \"" +
                                            book.file("000001.wav") +
                                            "\"\r\n"
                                            "000001      again       S_WAV       \"" +
                                            book.file("000001.wav") + "\"\r\n" + "stray\r\n" +
                                            "000005      five        S_WAV       \"" + book.file("bad.wav") +
                                            "\"\r\n");
    const ProcessRun run = check({QString::fromStdString(book.path())});
    EXPECT_EQ(run.exitCode, 1);
    const QString index = QString::fromStdString(book.file("KIV_Lib.cfg"));
    ASSERT_EQ(run.lines().size(), 7) << run.lines().join(u'\n').toStdString();
    // File order; the first lines of the same number: the one the program would not play names the other.
    const QString shadow = run.lines().filter(QStringLiteral("条码重复")).value(0);
    EXPECT_TRUE(shadow.startsWith(index + ":1: 000001: 条码重复，不会播放；点读时播放第6行的声音") ||
                shadow.startsWith(index + ":6: 000001: 条码重复，不会播放；点读时播放第1行的声音"))
        << shadow.toStdString();
    EXPECT_TRUE(run.lines().contains(index +
                                     QStringLiteral(":2: 000002: （提示）声音文件 \"C:\\KIV\\000002.WAV\" "
                                                    "在点读书文件夹中找到：\"") +
                                     QString::fromStdString(book.file("000002.wav")) + "\""))
        << run.lines().join(u'\n').toStdString();
    EXPECT_TRUE(
        run.lines().contains(index + QStringLiteral(":3: 000003: 找不到声音文件 \"C:\\KIV\\000003.wav\"")));
    EXPECT_TRUE(run.lines().contains(index + QStringLiteral(":5: 000004: 不能支持的声音类型 \"S_OGG\"")));
    EXPECT_TRUE(run.lines().contains(
        index + QStringLiteral(":7: stray: 不是完整的记录（需要条码、内容、声音类型和声音文件）")));
    EXPECT_TRUE(run.lines()
                    .filter(index + QStringLiteral(":8: 000005: 不能解码的声音文件 \"") +
                            QString::fromStdString(book.file("bad.wav")) + "\"（")
                    .size() == 1)
        << run.lines().join(u'\n').toStdString();
    EXPECT_EQ(run.lines().last(),
              QStringLiteral("7 条记录：1 个找不到声音文件，2 个不能播放，1 个条码重复，1 个不完整；"
                             "1 个声音文件在点读书文件夹中找到。有声音不能播放。"));

    // Once the broken lines are gone, the book plays completely, relocated sound and all.
    writeFile(book.file("KIV_Lib.cfg"), "000002      two         S_WAV       \"C:\\KIV\\000002.WAV\"\r\n");
    const ProcessRun good = check({QString::fromStdString(book.path())});
    EXPECT_EQ(good.exitCode, 0) << good.lines().join(u'\n').toStdString();
    EXPECT_EQ(check({}).exitCode, 2);
    EXPECT_EQ(check({QString::fromStdString(book.file("nowhere"))}).exitCode, 1);
}

TEST(CheckTool, ABigBookIsCheckedSideBySideAndEachProblemKeepsItsLine) {
    // Half the records name their sounds as this computer does, half as a Windows copy did; three break.
    TempFolder book;
    std::string index;
    char code[16], windows[32];
    for (int i = 0; i < 300; ++i) {
        std::snprintf(code, sizeof code, "%06d", i);
        std::snprintf(windows, sizeof windows, "C:\\KIV\\%06d.wav", i);
        const std::string file = book.file(std::string(code) + ".wav");
        if (i != 77)
            writeFile(file, i == 150 || i == 201 ? std::string("no sound") : WaveBytes());
        index += std::string(code) + "      note        S_WAV       \"" + (i % 2 ? windows : file) + "\"\r\n";
    }
    writeFile(book.file("KIV_Lib.cfg"), index);
    const ProcessRun run = check({QString::fromStdString(book.path())});
    EXPECT_EQ(run.exitCode, 1);
    const QString at = QString::fromStdString(book.file("KIV_Lib.cfg")) + ":";
    const QString bad = QStringLiteral("不能解码的声音文件 \"");
    ASSERT_EQ(run.lines().size(), 149 + 3 + 1) << run.lines().join(u'\n').toStdString();
    EXPECT_TRUE(
        run.lines().contains(at + QStringLiteral("78: 000077: 找不到声音文件 \"C:\\KIV\\000077.wav\"")));
    EXPECT_EQ(run.lines()
                  .filter(at + "151: 000150: " + bad + QString::fromStdString(book.file("000150.wav")))
                  .size(),
              1);
    // Found in the book's folder and then not decodable: both are told, the note first.
    const qsizetype note =
        run.lines().indexOf(at +
                            QStringLiteral("202: 000201: （提示）声音文件 \"C:\\KIV\\000201.wav\" "
                                           "在点读书文件夹中找到：\"") +
                            QString::fromStdString(book.file("000201.wav")) + "\"");
    ASSERT_GE(note, 0);
    EXPECT_TRUE(run.lines().value(note + 1).startsWith(at + "202: 000201: " + bad +
                                                       QString::fromStdString(book.file("000201.wav"))));
    EXPECT_EQ(run.lines().last(),
              QStringLiteral("300 条记录：1 个找不到声音文件，2 个不能播放，0 个条码重复，0 个不完整；"
                             "149 个声音文件在点读书文件夹中找到。有声音不能播放。"));
}

TEST(CheckTool, ImportPassesOverSoundsItDidNotMakeAndCheckNamesThoseWithoutALine) {
    // A sound still queued for import lies in the book under the next code's name, as one a killed filing
    // left would: it is filed under a code of its own and stays as it was, and check names it.
    TempFolder book, from;
    std::string index;
    for (const char* code : {"000000", "000001", "000002"}) {
        writeFile(book.file(std::string(code) + ".wav"), WaveBytes());
        index += std::string(code) + "  a  S_WAV  \"" + book.file(std::string(code) + ".wav") + "\"\r\n";
    }
    writeFile(book.file("KIV_Lib.cfg"), index);
    writeTone(from.file("lesson.wav"), 0.2, 440);
    writeTone(book.file("000003.wav"), 0.3, 660);
    const std::string queued = readFile(book.file("000003.wav"));
    const ProcessRun import = kivtool({"import", QString::fromStdString(book.path()),
                                       QString::fromStdString(from.file("lesson.wav")),
                                       QString::fromStdString(book.file("000003.wav"))});
    EXPECT_EQ(import.exitCode, 0) << import.err.toStdString();
    EXPECT_EQ(readFile(book.file("000003.wav")), queued);
    EXPECT_EQ(readFile(book.file("KIV_Lib.cfg")).substr(0, index.size()), index);
    const std::string added = readFile(book.file("KIV_Lib.cfg")).substr(index.size());
    // In the order of the paths' names, which here depends on the temporary folders'.
    const bool lessonFirst = added.find("lesson") < added.find("000003");
    EXPECT_EQ(added, "000004      " + std::string(lessonFirst ? "lesson" : "000003") +
                         "      S_WAV       \"" + book.file("000004.wav") + "\"\r\n000005      " +
                         (lessonFirst ? "000003" : "lesson") + "      S_WAV       \"" +
                         book.file("000005.wav") + "\"\r\n");

    const ProcessRun run = check({QString::fromStdString(book.path())});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines(),
              QStringList({QString::fromStdString(book.file("000003.wav")) +
                               QStringLiteral(": （提示）没有一行索引指向这个声音文件"),
                           QStringLiteral("5 条记录：0 个找不到声音文件，0 个不能播放，0 个条码重复，0 "
                                          "个不完整；0 个声音文件在点读书文件夹中找到。全部可以播放。"
                                          "另有 1 个声音文件没有索引行。")}));
}

TEST(CheckTool, ReadsPathsFromTheBookAndRefusesWhatNoBookHolds) {
    TempFolder book, elsewhere;
    writeFile(book.file("000001.wav"), WaveBytes());
    writeFile(elsewhere.file("000002.wav"), WaveBytes());
    writeFile(book.file("absurd.wav"),
              waveHeader(WaveFormat{2000000000, 1024}, 4096) + std::string(4096, '\1'));
    // Relative paths lie in the book, not in the folder kivtool runs in (which holds a 000002.wav).
    const struct {
        std::string line;
        QString said; // empty: plays as stored
    } records[] = {
        {"000001 one S_WAV \"000001.wav\"", {}},
        {"000002 two S_WAV \"000002.wav\"", QStringLiteral("找不到声音文件")},
        {"000003 three S_WAV \"absurd.wav\"", QStringLiteral("不能解码的声音文件")},
    };
    std::string index;
    for (const auto& r : records)
        index += r.line + "\r\n";
    writeFile(book.file("KIV_Lib.cfg"), index);
    const ProcessRun run = check({QString::fromStdString(book.path())}, elsewhere.path());
    EXPECT_EQ(run.exitCode, 1);
    // One line per record that would not play, in the file's order, and the summary.
    QStringList expected;
    for (std::size_t i = 0; i < std::size(records); ++i)
        if (!records[i].said.isEmpty())
            expected << QStringLiteral(":%1: %2: %3")
                            .arg(i + 1)
                            .arg(i + 1, 6, 10, QChar(u'0'))
                            .arg(records[i].said);
    ASSERT_EQ(run.lines().size(), expected.size() + 1) << run.lines().join(u'\n').toStdString();
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(run.lines()[i].contains(expected[i])) << run.lines()[i].toStdString();

    // An index larger than a book's can be is refused as the program refuses it, without reading it.
    std::filesystem::resize_file(book.file("KIV_Lib.cfg"), kIndexFileLimit + 1);
    const ProcessRun huge = check({QString::fromStdString(book.path())});
    EXPECT_EQ(huge.exitCode, 1);
    EXPECT_TRUE(huge.err.contains(QStringLiteral("太大，超过了一百万条记录所能占用的大小")))
        << huge.err.toStdString();
}
