// The main job with the real program: record speech from the microphone, stop, preview, save it with an
// annotation, print its barcode into a PDF that a barcode reader decodes, hear it in point reading, record it
// again, delete it, and delete everything - checking the index file and the library folder after each step.
#include "e2e/E2eSupport.h"
#include "support/SoundServer.h"
#include "support/TestSounds.h"
#include "support/Wave.h"

#include <QSize>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

// The record list's rows: below the menu bar, the search line and the list's header, one text line plus
// the grid each.
constexpr int kFirstRowCenterY = 90;
constexpr int kRowHeight = 18;
int rowY(int row) {
    return kFirstRowCenterY + row * kRowHeight;
}

QByteArray readIndex(const std::string& lib) {
    return QByteArray::fromStdString(readFile(lib + "KIV_Lib.cfg"));
}

QList<QByteArray> indexLines(const QByteArray& text) {
    QList<QByteArray> lines;
    for (const QByteArray& l : text.split('\n'))
        if (!l.trimmed().isEmpty())
            lines << l.trimmed();
    return lines;
}

int linesOf(const QByteArray& text, const char* code) {
    int n = 0;
    for (const QByteArray& l : indexLines(text))
        n += l.startsWith(code);
    return n;
}

// Share of dark pixels in a rectangle of a window's current picture, or -1 when it cannot be taken.
double darkShare(const QString& window, int left, int top, int w, int h) {
    bool ok = false;
    const QString out = run(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("import -window %1 png:- | convert png:- -crop %2x%3+%4+%5 +repage -colorspace gray "
                        "-threshold 50% -format '%[fx:mean]' info:")
             .arg(window)
             .arg(w)
             .arg(h)
             .arg(left)
             .arg(top)},
        &ok);
    return ok ? 1.0 - out.toDouble() : -1;
}

double seconds(const std::string& wav) {
    int rate = 0;
    const auto s = readMono16(wav, &rate);
    return rate > 0 ? double(s.size()) / rate : -1;
}

// Context menu: 播放, 停止, —, 打印条码, 打印标签页..., —, 重新录音, 删除, 删除全部 (the keyboard skips
// separators).
constexpr int kRerecord = 5;
constexpr int kDelete = 6;
constexpr int kDeleteAll = 7;

class RecordingE2e : public E2eSoundTest {
protected:
    // Types the annotation into the annotation dialog's edit. The window is found as soon as it is mapped,
    // before it may have the keyboard: take the focus, wait until the display reports it, click into the
    // edit and type slowly (each Chinese character is a temporary key mapping the program must read in
    // time); retype until the edit shows more ink than when it was cleared.
    bool typeAnnotation(const QString& dialog, const QString& text) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
            waitUntil([&] { return focusedWindow() == dialog; }, kPatience);
            // The edit covers 21..293 x 44..59 of the dialog's 316 x 91 units.
            const QSize s = windowSize(dialog);
            const int left = s.width() * 23 / 316, top = s.height() * 46 / 91;
            const int w = s.width() * 60 / 316, h = s.height() * 11 / 91;
            click(dialog, s.width() * 157 / 316, s.height() * 51 / 91);
            kiv.key(dialog, QStringLiteral("ctrl+a BackSpace"));
            // The cleared edit is measured once its picture holds still.
            double empty = -1;
            waitUntil([&] {
                const double now = darkShare(dialog, left, top, w, h);
                return std::exchange(empty, now) == now && now >= 0;
            });
            xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("150"), text});
            if (empty >= 0 &&
                waitUntil([&] { return darkShare(dialog, left, top, w, h) > empty + 0.02; }, 2000))
                return true;
        }
        return false;
    }

    // Saves the current recording with an annotation; answers the print question with printKey.
    void saveAs(const QString& annotation, const QString& printKey) {
        clickFromCorner(main, 48, 42); // 保存
        const QString dialog = kiv.waitForWindow(QStringLiteral("标注内容"));
        ASSERT_FALSE(dialog.isEmpty()) << kiv.output().toStdString();
        ASSERT_TRUE(typeAnnotation(dialog, annotation)) << "the annotation's edit stays empty";
        // "填好了,下一步..." sits at 169..242 x 70..84 (Return would go into the multi-line edit).
        const QSize s = windowSize(dialog);
        click(dialog, s.width() * 205 / 316, s.height() * 77 / 91);
        ASSERT_TRUE(windowGone(QStringLiteral("标注内容"), 5000));
        answer(QStringLiteral("打印条码"), printKey);
    }

    // Selects a row of the record list and chooses a command of its context menu with the keyboard (downs
    // times Down from the menu's top, then Return).
    void listCommand(int row, int downs) {
        untilPlayed([&] { click(main, 30, rowY(row)); }); // selecting a row plays it
        QString keys;
        for (int i = 0; i < downs; ++i)
            keys += QStringLiteral("Down ");
        chooseFromMenu(30, rowY(row), keys + QStringLiteral("Return"), 3);
    }
};

} // namespace

TEST_F(RecordingE2e, RecordSavePrintReadRerecordAndDelete) {
    bool ok = false;
    const std::string pdf = kiv.folder().path() + "label-%n.pdf";
    qputenv("KIV_PRINT_TO_PDF", QByteArray::fromStdString(pdf));
    startMain();
    qunsetenv("KIV_PRINT_TO_PDF");
    if (HasFatalFailure())
        return;

    const std::string speech = kiv.folder().path() + "speech.wav";
    const double speechSeconds = writeSpeech(speech, QStringLiteral("apple, this is an apple"));
    ASSERT_GT(speechSeconds, 0.5);
    const std::string longer = kiv.folder().path() + "longer.wav";
    const double longerSeconds = writeSpeech(
        longer, QStringLiteral("a green apple and a red apple, two apples on the table in the kitchen"));
    ASSERT_GT(longerSeconds, speechSeconds + 1.5);
    const std::string other = kiv.folder().path() + "other.wav";
    ASSERT_GT(writeSpeech(other, QStringLiteral("banana")), 0.3);

    // Record, stop, preview, save as 苹果 and print.
    ASSERT_NO_FATAL_FAILURE(record(speech));
    untilPlayed([&] { clickFromCorner(main, 144, 42); }); // 试听
    ASSERT_NO_FATAL_FAILURE(saveAs(QStringLiteral("苹果"), QStringLiteral("y")));

    const std::string lib = kiv.userBook();
    const std::string wav = lib + "000000.wav";
    const QString label = QString::fromStdString(kiv.folder().path() + "label-1.pdf");
    ASSERT_TRUE(waitUntil(
        [&] {
            run(QStringLiteral("pdfinfo"), {label}, &ok);
            return ok;
        },
        kPatience))
        << "no complete label-1.pdf\n"
        << kiv.output().toStdString();
    // The recorded sound holds the speech: more than a near-silent file.
    ASSERT_TRUE(std::filesystem::exists(wav));
    EXPECT_GT(std::filesystem::file_size(wav), 20000u);
    const std::vector<short> first = readMono16(wav);
    EXPECT_GT(rms(first), 0.01) << "the recording is near silence";
    const double firstSeconds = seconds(wav);
    const std::string firstBytes = readFile(wav);
    // The index holds the new line with the annotation in GBK.
    QByteArray text = readIndex(lib);
    EXPECT_TRUE(text.startsWith("000000")) << text.toStdString();
    EXPECT_TRUE(text.contains(QByteArray("\xC6\xBB\xB9\xFB"))) << "苹果 in GBK: " << text.toStdString();
    // The printed label decodes to the new code in Code 128 (the default type).
    const std::string png = kiv.folder().path() + "label";
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("600"), QStringLiteral("-png"),
         QString::fromStdString(kiv.folder().path() + "label-1.pdf"), QString::fromStdString(png)},
        &ok, 60000);
    ASSERT_TRUE(ok);
    const QString decoded =
        run(QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("zbarimg -q '%1'-*.png").arg(QString::fromStdString(png))},
            &ok, 60000);
    EXPECT_EQ(decoded, QStringLiteral("CODE-128:000000"));

    // Point reading: the pen reads 000000 and the recorded speech comes out of the sink.
    {
        ASSERT_NO_FATAL_FAILURE(openReading());
        CSinkMonitor sink;
        ASSERT_TRUE(sink.started());
        sink.wait(500);
        EXPECT_LT(sink.loudSeconds(), 0.05) << "the sink was not quiet before the pen read";
        ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 0 0 Return")));
        playedToTheEnd(sink);
        // Most of the recorded speech is heard: its loud part, not a click.
        EXPECT_GT(sink.loudSeconds(), speechSeconds * 0.4) << "000000 read by the pen played too little\n"
                                                           << kiv.output().toStdString();
        ASSERT_NO_FATAL_FAILURE(leaveReading());
    }

    // Re-record 000000 with a longer speech.
    ASSERT_NO_FATAL_FAILURE(listCommand(0, kRerecord));
    ASSERT_NO_FATAL_FAILURE(answer(QStringLiteral("确定"), QStringLiteral("y")));
    const QString startBox = kiv.waitForWindow(QStringLiteral("开始"));
    ASSERT_FALSE(startBox.isEmpty()) << kiv.output().toStdString();
    EXPECT_FALSE(std::filesystem::exists(wav)) << "the old sound stays after the re-record was confirmed";
    const std::set<std::string> before = entries(kiv.tempFolder());
    kiv.key(startBox, QStringLiteral("Return"));
    ASSERT_TRUE(windowGone(QStringLiteral("开始"), 5000));
    const std::string take = growingTake(before);
    ASSERT_FALSE(take.empty()) << "the re-record does not record";
    ASSERT_TRUE(speak(longer));
    ASSERT_TRUE(waitUntil([&] { return heardToTheEnd(take); }, kPatience));
    clickFromCorner(main, 238, 42); // 停止录音
    ASSERT_NO_FATAL_FAILURE(answer(QStringLiteral("是否替换？"), QStringLiteral("y")));
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(wav) && std::filesystem::file_size(wav) > 0; },
                          kPatience))
        << "no 000000.wav after the re-record";
    EXPECT_NE(readFile(wav), firstBytes) << "000000.wav is the old recording";
    EXPECT_GT(seconds(wav), firstSeconds + 1.0) << "000000.wav does not hold the longer speech";
    EXPECT_GT(rms(readMono16(wav)), 0.01) << "the new recording is near silence";
    text = readIndex(lib);
    EXPECT_EQ(linesOf(text, "000000"), 1) << text.toStdString();
    ASSERT_FALSE(indexLines(text).isEmpty());
    EXPECT_TRUE(indexLines(text).last().startsWith("000000")) << text.toStdString();
    EXPECT_TRUE(text.contains(QByteArray("\xC6\xBB\xB9\xFB")))
        << "the annotation stays: " << text.toStdString();

    // Delete 000000: its line and its sound go.
    ASSERT_NO_FATAL_FAILURE(listCommand(0, kDelete));
    waitUntil([&] { return !std::filesystem::exists(wav) && linesOf(readIndex(lib), "000000") == 0; },
              kPatience);
    text = readIndex(lib);
    EXPECT_EQ(linesOf(text, "000000"), 0) << text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(wav));
    std::set<std::string> names = entries(lib);
    EXPECT_TRUE(names.count("KIV_Lib.cfg")) << ::testing::PrintToString(names);
    names.erase("KIV_Lib.cfg");
    names.erase("KIV.ini");
    names.erase("KIV_Lib.lock"); // the book's lock, while the program runs
    EXPECT_TRUE(names.empty()) << "left in the library folder: " << ::testing::PrintToString(names);

    // Two more recordings, then delete everything.
    ASSERT_NO_FATAL_FAILURE(record(other));
    ASSERT_NO_FATAL_FAILURE(saveAs(QStringLiteral("香蕉"), QStringLiteral("n")));
    ASSERT_NO_FATAL_FAILURE(record(speech));
    ASSERT_NO_FATAL_FAILURE(saveAs(QStringLiteral("apple two"), QStringLiteral("n")));
    waitUntil([&] { return indexLines(readIndex(lib)).size() == 2; }, kPatience);
    text = readIndex(lib);
    ASSERT_EQ(indexLines(text).size(), 2) << text.toStdString();
    EXPECT_TRUE(text.contains(QByteArray("\xCF\xE3\xBD\xB6"))) << "香蕉 in GBK: " << text.toStdString();
    EXPECT_TRUE(text.contains("\"apple two\"")) << text.toStdString();
    int wavs = 0;
    for (const std::string& name : entries(lib))
        wavs += name.ends_with(".wav");
    EXPECT_EQ(wavs, 2) << ::testing::PrintToString(entries(lib));
    EXPECT_FALSE(std::filesystem::exists(kiv.folder().path() + "label-2.pdf"))
        << "printed after answering No";

    // The deleted row stays blank at the top; the new records follow it.
    ASSERT_NO_FATAL_FAILURE(listCommand(1, kDeleteAll));
    ASSERT_NO_FATAL_FAILURE(answer(QStringLiteral("错误"), QStringLiteral("y")));
    waitUntil(
        [&] {
            for (const std::string& name : entries(lib))
                if (name.ends_with(".wav"))
                    return false;
            return readIndex(lib).isEmpty();
        },
        kPatience);
    ASSERT_TRUE(std::filesystem::exists(lib + "KIV_Lib.cfg"));
    EXPECT_EQ(std::filesystem::file_size(lib + "KIV_Lib.cfg"), 0u) << readIndex(lib).toStdString();
    for (const std::string& name : entries(lib))
        EXPECT_FALSE(name.ends_with(".wav")) << name << " left after deleting everything";

    quit();
    EXPECT_FALSE(std::filesystem::exists(lib + "KIV_Lib.lock")) << "the book's lock outlived the program";
}

namespace {

// Runs kivtool on a book with the program's own configuration folder.
bool kivtool(const KivProcess& kiv, const QStringList& args) {
    ProcessOptions options;
    options.env = {QStringLiteral("XDG_CONFIG_HOME=") +
                   QString::fromStdString(kiv.folder().path() + "config")};
    return runProcess(qEnvironmentVariable("KIV_BINARY_DIR") + QStringLiteral("/kivtool"), args, options)
               .exitCode == 0;
}

// Scans the code with the pen; the time from its Enter to the first sample above -30 dBFS at the sink
// (ms, 5000 when none), and the integrated loudness of what the sink played.
std::pair<double, double> scan(KivProcess& kiv, const QString& reading, const std::string& code) {
    CSinkMonitor sink;
    QString digits;
    for (char c : code)
        digits += QString(QChar(c)) + u' ';
    kiv.key(reading, digits.trimmed());
    sink.drain();
    static CLiveXdoTool pen;
    EXPECT_TRUE(pen.ready());
    const qint64 enter = pen.key(QStringLiteral("Return"));
    const qint64 loud = sink.waitLoud(5000, false, kWordSample);
    playedToTheEnd(sink);
    std::vector<short> heard = sink.samples();
    return {loud ? double(loud - enter) / 1e6 : 5000, lufs(heard)};
}

} // namespace

// Four sounds as people make them, each heard at once after the pen's Enter and at one loudness: a take
// recorded with pauses around the word, an imported phone recording with a second of room noise before
// the speech, a line of speech from text, and a book made on Windows whose sound starts with a second of
// silence. With both switches off, the Windows sound's silence is heard again.
TEST_F(RecordingE2e, EverySoundIsHeardAtOnceAndAtOneLoudness) {
    const std::string book = kiv.programFolder();
    std::filesystem::create_directories(book);
    const std::vector<short> word = speech("苹果");
    ASSERT_FALSE(word.empty()) << "espeak-ng's Mandarin voice is needed";
    std::vector<short> windows(kTestRate, 0), phone = pinkNoise(1, -50);
    append(windows, word);
    std::vector<short> quiet = word;
    for (short& v : quiet)
        v = short(v / 6); // some 15 dB below the voice's own level
    append(phone, quiet);
    append(phone, pinkNoise(0.5, -50, 11));
    writeFile(book + "000001.wav", waveBytes(kTestRate, windows));
    writeFile(book + "KIV_Lib.cfg", "000001      \"windows\"   S_WAV       \"C:\\KIV\\000001.wav\"\r\n");
    writeFile(kiv.folder().file("phone.wav"), waveBytes(kTestRate, phone));
    ASSERT_TRUE(kivtool(kiv, {QStringLiteral("import"), QString::fromStdString(book),
                              QString::fromStdString(kiv.folder().file("phone.wav"))}));
    ASSERT_TRUE(kivtool(kiv, {QStringLiteral("say"), QString::fromStdString(book), QStringLiteral("香蕉")}));
    const std::string spoken = kiv.folder().file("spoken.wav");
    writeFile(spoken, waveBytes(kTestRate, word));

    ASSERT_NO_FATAL_FAILURE(startMain());
    // The speaker starts a moment after the button and stops a moment before it.
    ASSERT_NO_FATAL_FAILURE(record(spoken, 1.2));
    ASSERT_NO_FATAL_FAILURE(saveAs(QStringLiteral("录音"), QStringLiteral("n")));
    ASSERT_TRUE(waitUntil([&] { return indexLines(readIndex(book)).size() == 4; }, kPatience))
        << readIndex(book).toStdString();
    std::vector<std::string> codes; // the Windows sound, the import, the speech, the take
    for (const QByteArray& l : indexLines(readIndex(book)))
        codes.push_back(l.left(6).toStdString());

    ASSERT_NO_FATAL_FAILURE(openReading());
    double lowest = 0, highest = -100;
    for (const std::string& code : codes) {
        // The best of three scans: a busy machine may delay any one of xdotool, the X server, the sound
        // server or the sink's reader, but a lead of silence delays them all.
        auto [ms, loudness] = scan(kiv, reading, code);
        for (int again = 0; again < 2 && ms > 50; ++again)
            ms = std::min(ms, scan(kiv, reading, code).first);
        std::printf("%s: word heard %.1f ms after the pen's Enter, %.1f LUFS at the sink\n", code.c_str(), ms,
                    loudness);
        // With its lead the word would come after a second.
        EXPECT_LE(ms, 50) << code;
        lowest = std::min(lowest, loudness);
        highest = std::max(highest, loudness);
    }
    EXPECT_LE(highest - lowest, 2.0);

    // Both switches off in the 点读书 popup (its last two entries): the Windows sound plays as its file is,
    // its second of silence first, and the choice is kept for the user.
    ASSERT_NO_FATAL_FAILURE(leaveReading());
    for (const char* keys : {"Up Return", "Up Up Return"})
        ASSERT_NO_FATAL_FAILURE(chooseFromMenu(25, 10, QString::fromLatin1(keys)));
    const std::string conf = kiv.folder().path() + "config/KIV/KIV.conf";
    ASSERT_TRUE(
        waitUntil([&] { return readFile(conf).find("TrimSilence=false") != std::string::npos; }, kPatience))
        << readFile(conf);
    EXPECT_NE(readFile(conf).find("EvenLoudness=false"), std::string::npos) << readFile(conf);
    ASSERT_NO_FATAL_FAILURE(openReading());
    EXPECT_GT(scan(kiv, reading, "000001").first, 900);
    ASSERT_NO_FATAL_FAILURE(leaveReading());
    quit();
}
