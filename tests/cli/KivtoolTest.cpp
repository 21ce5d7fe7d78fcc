// The kivtool executable itself: what it says and the status it exits with, for help, usage errors and a run,
// the same as its commands say in this process.
#include "cli/Kivtool.h"
#include "support/FakeRecorder.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(Kivtool, TheExecutableAnswersWithTheStatusAndLinesOfItsCommands) {
    TempFolder book;
    writeFile(book.file("000001.wav"), WaveBytes());
    writeFile(book.file("KIV_Lib.cfg"),
              "000001 one S_WAV \"000001.wav\"\r\n000002 two S_WAV \"gone.wav\"\r\n");
    const QString folder = QString::fromStdString(book.path());
    const struct {
        QStringList args;
        int status;
        bool onOutput; // else on standard error
        QString said;
    } cases[] = {
        {{"--help"}, 0, true, QStringLiteral("  pack BOOK_FOLDER FILE.kivbook [--labels SHEET]\n")},
        {{}, 2, false, QStringLiteral("用法: kivtool 命令 [参数...]")},
        {{"shelve"}, 2, false, QStringLiteral("kivtool: 没有这个命令: shelve\n")},
        {{"check", "--help"}, 0, true, QStringLiteral("用法: kivtool check BOOK_FOLDER\n")},
        {{"check"},
         2,
         false,
         QStringLiteral("kivtool: 需要一个点读书文件夹\n用法: kivtool check BOOK_FOLDER\n")},
        {{"labels", folder, "--sheet"}, 2, false, QStringLiteral("kivtool: 参数不对: --sheet\n")},
        {{"say", folder, "--speed", "9", "苹果"}, 2, false, QStringLiteral("kivtool: 参数不对: --speed\n")},
        {{"check", folder}, 1, true, QStringLiteral("gone.wav")},
    };
    for (const auto& c : cases) {
        const ProcessRun process = kivtoolProcess(c.args);
        EXPECT_EQ(process.exitCode, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE((c.onOutput ? process.out : process.err).contains(c.said))
            << c.args.join(' ').toStdString() << "\n"
            << process.out.toStdString() << process.err.toStdString();
        // In this process the commands say the same, byte for byte.
        const ProcessRun inProcess = kivtool(c.args);
        EXPECT_EQ(inProcess.exitCode, process.exitCode);
        EXPECT_EQ(inProcess.out, process.out);
        EXPECT_EQ(inProcess.err, QString(process.err).remove(QRegularExpression("QStandardPaths: [^\n]*\n")));
    }
}
