// The main job with the real program: record speech from the microphone, stop, preview, save it with an
// annotation, and print its barcode into a PDF that a barcode reader decodes.
#include "e2e/E2eSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString x(const QStringList& args) { return run(QStringLiteral("xdotool"), args); }
void pause(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

// Clicks a point of the main window given from its bottom-right corner (the buttons keep their distance
// from it).
void clickFromCorner(const QString& window, int dx, int dy) {
    const QString geo = x({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    int w = 0, h = 0;
    for (const QString& line : geo.split(u'\n')) {
        if (line.startsWith(QLatin1String("WIDTH=")))
            w = line.mid(6).toInt();
        if (line.startsWith(QLatin1String("HEIGHT=")))
            h = line.mid(7).toInt();
    }
    x({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(w - dx),
       QString::number(h - dy), QStringLiteral("click"), QStringLiteral("1")});
}

bool waitForFile(const std::string& path, int ms) {
    QElapsedTimer t;
    t.start();
    while (!std::filesystem::exists(path) || std::filesystem::file_size(path) == 0) {
        if (t.elapsed() > ms)
            return false;
        pause(100);
    }
    return true;
}

} // namespace

TEST(RecordingE2e, RecordSaveAndPrintTheNewCode) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    bool ok = false;
    run(QStringLiteral("pactl"), {QStringLiteral("info")}, &ok);
    ASSERT_TRUE(ok) << "needs the sound server: run the tests through scripts/test";
    KivProcess kiv;
    const std::string pdf = kiv.folder().path() + "label-%n.pdf";
    qputenv("KIV_PRINT_TO_PDF", QByteArray::fromStdString(pdf));
    ASSERT_TRUE(kiv.start());
    qunsetenv("KIV_PRINT_TO_PDF");
    const QString window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_FALSE(window.isEmpty()) << kiv.output().toStdString();
    pause(3000); // the sink delivers in small blocks only after a while

    const std::string speech = kiv.folder().path() + "speech.wav";
    run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), QString::fromStdString(speech),
                                      QStringLiteral("apple, this is an apple")}, &ok);
    ASSERT_TRUE(ok);

    clickFromCorner(window, 238, 42); // 开始录音
    pause(800);
    run(QStringLiteral("paplay"), {QStringLiteral("-d"), QStringLiteral("nullsink"), QString::fromStdString(speech)},
        &ok, 20000);
    pause(500);
    clickFromCorner(window, 238, 42); // 停止录音
    pause(800);
    clickFromCorner(window, 144, 42); // 试听
    pause(1500);

    clickFromCorner(window, 48, 42); // 保存
    const QString annotation = kiv.waitForWindow(QStringLiteral("标注内容"));
    ASSERT_FALSE(annotation.isEmpty()) << kiv.output().toStdString();
    kiv.key(annotation, QStringLiteral("Tab Tab")); // from the OK button to the edit
    x({QStringLiteral("type"), QStringLiteral("--window"), annotation, QStringLiteral("苹果")});
    pause(300);
    kiv.key(annotation, QStringLiteral("Tab space")); // to the OK button, press it

    const QString printBox = kiv.waitForWindow(QStringLiteral("打印条码"));
    ASSERT_FALSE(printBox.isEmpty()) << kiv.output().toStdString();
    kiv.key(printBox, QStringLiteral("y"));

    const std::string lib = kiv.programFolder();
    ASSERT_TRUE(waitForFile(kiv.folder().path() + "label-1.pdf", 15000)) << kiv.output().toStdString();
    pause(1000);
    // The recorded sound holds the speech: more than a near-silent file.
    ASSERT_TRUE(std::filesystem::exists(lib + "000000.wav"));
    EXPECT_GT(std::filesystem::file_size(lib + "000000.wav"), 20000u);
    const QString stat = run(QStringLiteral("sh"), {QStringLiteral("-c"),
        QStringLiteral("sox '%1' -n stat 2>&1 | grep 'Maximum amplitude'").arg(QString::fromStdString(lib + "000000.wav"))});
    EXPECT_GT(stat.section(u':', 1).trimmed().toDouble(), 0.05) << stat.toStdString();
    // The index holds the new line with the annotation in GBK.
    QFile index(QString::fromStdString(lib + "KIV_Lib.cfg"));
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    const QByteArray text = index.readAll();
    EXPECT_TRUE(text.startsWith("000000")) << text.toStdString();
    EXPECT_TRUE(text.contains(QByteArray("\xC6\xBB\xB9\xFB"))) << "苹果 in GBK";
    // The printed label decodes to the new code in Code 128 (the default type).
    const std::string png = kiv.folder().path() + "label";
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("600"), QStringLiteral("-png"),
                                     QString::fromStdString(kiv.folder().path() + "label-1.pdf"),
                                     QString::fromStdString(png)}, &ok, 60000);
    ASSERT_TRUE(ok);
    const QString decoded = run(QStringLiteral("sh"), {QStringLiteral("-c"),
        QStringLiteral("zbarimg -q '%1'-*.png").arg(QString::fromStdString(png))}, &ok, 60000);
    EXPECT_EQ(decoded, QStringLiteral("CODE-128:000000"));

    kiv.key(window, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
}
