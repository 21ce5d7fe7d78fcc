// The main job with the real program: record speech from the microphone, stop, preview, save it with an
// annotation, print its barcode into a PDF that a barcode reader decodes, hear it in point reading, record it
// again, delete it, and delete everything - checking the index file and the library folder after each step.
#include "e2e/E2eSupport.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/TestSounds.h"
#include "support/Wave.h"

#include <QFile>
#include <QProcess>
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

// The file exists and is not empty.
bool waitForFile(const std::string& path, int ms) {
    return waitUntil([&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > 0; },
                     ms);
}

int visibleProgramWindows() {
    const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--class"), QStringLiteral("KIV")});
    return ids.isEmpty() ? 0 : int(ids.split(u'\n').size());
}

QByteArray readIndex(const std::string& lib) {
    QFile f(QString::fromStdString(lib + "KIV_Lib.cfg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

std::set<std::string> folderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

std::string joined(const std::set<std::string>& names) {
    std::string s;
    for (const std::string& n : names)
        s += n + " ";
    return s;
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

// Types the annotation into the annotation dialog's edit. The window is found as soon as it is mapped, before
// it may have the keyboard: take the focus, wait until the display reports it, click into the edit and
// type slowly (each Chinese character is a temporary key mapping the program must read in time); retype
// until the edit shows more ink than when it was cleared.
bool typeAnnotation(KivProcess& kiv, const QString& dialog, const QString& text) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
        waitUntil([&] { return focusedWindow() == dialog; });
        // The edit covers 21..293 x 44..59 of the dialog's 316 x 91 units.
        const QSize s = windowSize(dialog);
        const int left = s.width() * 23 / 316, top = s.height() * 46 / 91;
        const int w = s.width() * 60 / 316, h = s.height() * 11 / 91;
        click(dialog, s.width() * 157 / 316, s.height() * 51 / 91);
        kiv.key(dialog, QStringLiteral("ctrl+a BackSpace"));
        pump(300); // the cleared edit is repainted before its ink is measured
        const double empty = darkShare(dialog, left, top, w, h);
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("150"), text});
        if (empty >= 0 && waitUntil([&] { return darkShare(dialog, left, top, w, h) > empty + 0.02; }, 2000))
            return true;
    }
    return false;
}

// Saves the current recording with an annotation; answers the print question with printKey.
void saveAs(KivProcess& kiv, const QString& window, const QString& annotation, const QString& printKey) {
    clickFromCorner(window, 48, 42); // 保存
    const QString dialog = kiv.waitForWindow(QStringLiteral("标注内容"));
    ASSERT_FALSE(dialog.isEmpty()) << kiv.output().toStdString();
    ASSERT_TRUE(typeAnnotation(kiv, dialog, annotation)) << "the annotation's edit stays empty";
    // "填好了,下一步..." sits at 169..242 x 70..84 (Return would go into the multi-line edit).
    const QSize s = windowSize(dialog);
    click(dialog, s.width() * 205 / 316, s.height() * 77 / 91);
    ASSERT_TRUE(windowGone(QStringLiteral("标注内容"), 5000));
    const QString printBox = kiv.waitForWindow(QStringLiteral("打印条码"));
    ASSERT_FALSE(printBox.isEmpty()) << kiv.output().toStdString();
    kiv.key(printBox, printKey);
    ASSERT_TRUE(windowGone(QStringLiteral("打印条码"), 5000));
}

// Records one speech with the record button.
void recordSpeech(const QString& window, const std::string& wav) {
    clickFromCorner(window, 238, 42); // 开始录音
    pump(800);                        // the recorder opens the microphone
    ASSERT_TRUE(speak(wav)) << "paplay " << wav;
    pump(500);                        // the speech's tail reaches the recorder
    clickFromCorner(window, 238, 42); // 停止录音
    pump(800);                        // the recording is closed
}

// Selects a row of the record list and chooses a command of its context menu with the keyboard (downs
// times Down from the menu's top, then Return).
void listCommand(const QString& window, int row, int downs) {
    {
        // Selecting a row plays it; let it end.
        CSinkMonitor sink;
        click(window, 30, rowY(row));
        if (sink.waitLoud(2000))
            sink.waitQuiet(10000);
    }
    const int before = visibleProgramWindows();
    click(window, 30, rowY(row), 3);
    ASSERT_TRUE(waitUntil([&] { return visibleProgramWindows() > before; }))
        << "no context menu on row " << row;
    pump(300); // the menu takes keys once it has grabbed the keyboard
    QStringList keys{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")};
    for (int i = 0; i < downs; ++i)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    xdotool(keys);
}

// Context menu: 播放, 停止, —, 打印条码, 打印标签页..., —, 重新录音, 删除, 删除全部 (the keyboard skips
// separators).
constexpr int kRerecord = 5;
constexpr int kDelete = 6;
constexpr int kDeleteAll = 7;

// Answers a message box found by its caption.
void answer(KivProcess& kiv, const QString& caption, const QString& keys) {
    const QString box = kiv.waitForWindow(caption);
    ASSERT_FALSE(box.isEmpty()) << "no message box \"" << caption.toStdString() << "\"\n"
                                << kiv.output().toStdString();
    kiv.key(box, keys);
    ASSERT_TRUE(windowGone(caption, 5000)) << caption.toStdString();
}

double seconds(const std::string& wav) {
    int rate = 0;
    const auto s = readMono16(wav, &rate);
    return rate > 0 ? double(s.size()) / rate : -1;
}

QByteArray fileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(RecordingE2e, RecordSavePrintReadRerecordAndDelete) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    bool ok = false;
    KivProcess kiv;
    const std::string pdf = kiv.folder().path() + "label-%n.pdf";
    qputenv("KIV_PRINT_TO_PDF", QByteArray::fromStdString(pdf));
    ASSERT_TRUE(kiv.start());
    qunsetenv("KIV_PRINT_TO_PDF");
    const QString window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_FALSE(window.isEmpty()) << kiv.output().toStdString();
    pump(3000); // the sink delivers in small blocks only after a while

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
    recordSpeech(window, speech);
    clickFromCorner(window, 144, 42); // 试听
    pump(1500);                       // the preview plays
    saveAs(kiv, window, QStringLiteral("苹果"), QStringLiteral("y"));
    if (HasFatalFailure())
        return;

    const std::string lib = kiv.userBook();
    const std::string wav = lib + "000000.wav";
    const QString label = QString::fromStdString(kiv.folder().path() + "label-1.pdf");
    ASSERT_TRUE(waitUntil(
        [&] {
            run(QStringLiteral("pdfinfo"), {label}, &ok);
            return ok;
        },
        15000))
        << "no complete label-1.pdf\n"
        << kiv.output().toStdString();
    // The recorded sound holds the speech: more than a near-silent file.
    ASSERT_TRUE(std::filesystem::exists(wav));
    EXPECT_GT(std::filesystem::file_size(wav), 20000u);
    const std::vector<short> first = readMono16(wav);
    EXPECT_GT(rms(first), 0.01) << "the recording is near silence";
    const double firstSeconds = seconds(wav);
    const QByteArray firstBytes = fileBytes(wav);
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
        const QSize mainSize = windowSize(window);
        click(window, 8 + 20, mainSize.height() - 18 - 10); // 进入点读
        const QString reading = kiv.waitForWindow(QStringLiteral("点读"));
        ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
        ASSERT_TRUE(waitUntil([&] { return focusedWindow() == reading; }));
        CSinkMonitor sink;
        ASSERT_TRUE(sink.started());
        sink.wait(500);
        EXPECT_LT(sink.loudSeconds(), 0.05) << "the sink was not quiet before the pen read";
        ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 0 0 Return")));
        sink.wait(static_cast<int>(firstSeconds * 1000) + 2500);
        // Most of the recorded speech is heard: its loud part, not a click.
        EXPECT_GT(sink.loudSeconds(), speechSeconds * 0.4) << "000000 read by the pen played too little\n"
                                                           << kiv.output().toStdString();
        // "退出" sits at 330..380 x 205..219 of the 387 x 227 dialog units.
        const QSize size = windowSize(reading);
        click(reading, size.width() * 355 / 387, size.height() * 212 / 227);
        ASSERT_TRUE(windowGone(QStringLiteral("点读"), 5000));
    }

    // Re-record 000000 with a longer speech.
    listCommand(window, 0, kRerecord);
    if (HasFatalFailure())
        return;
    answer(kiv, QStringLiteral("确定"), QStringLiteral("y"));
    const QString startBox = kiv.waitForWindow(QStringLiteral("开始"));
    ASSERT_FALSE(startBox.isEmpty()) << kiv.output().toStdString();
    EXPECT_FALSE(std::filesystem::exists(wav)) << "the old sound stays after the re-record was confirmed";
    kiv.key(startBox, QStringLiteral("Return"));
    ASSERT_TRUE(windowGone(QStringLiteral("开始"), 5000));
    pump(800); // the recorder opens the microphone
    ASSERT_TRUE(speak(longer));
    pump(500);                        // the speech's tail reaches the recorder
    clickFromCorner(window, 238, 42); // 停止录音
    answer(kiv, QStringLiteral("是否替换？"), QStringLiteral("y"));
    ASSERT_TRUE(waitForFile(wav, 5000)) << "no 000000.wav after the re-record";
    EXPECT_NE(fileBytes(wav), firstBytes) << "000000.wav is the old recording";
    EXPECT_GT(seconds(wav), firstSeconds + 1.0) << "000000.wav does not hold the longer speech";
    EXPECT_GT(rms(readMono16(wav)), 0.01) << "the new recording is near silence";
    text = readIndex(lib);
    EXPECT_EQ(linesOf(text, "000000"), 1) << text.toStdString();
    ASSERT_FALSE(indexLines(text).isEmpty());
    EXPECT_TRUE(indexLines(text).last().startsWith("000000")) << text.toStdString();
    EXPECT_TRUE(text.contains(QByteArray("\xC6\xBB\xB9\xFB")))
        << "the annotation stays: " << text.toStdString();

    // Delete 000000: its line and its sound go.
    listCommand(window, 0, kDelete);
    if (HasFatalFailure())
        return;
    waitUntil([&] { return !std::filesystem::exists(wav) && linesOf(readIndex(lib), "000000") == 0; });
    text = readIndex(lib);
    EXPECT_EQ(linesOf(text, "000000"), 0) << text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(wav));
    std::set<std::string> entries = folderEntries(lib);
    EXPECT_TRUE(entries.count("KIV_Lib.cfg")) << joined(entries);
    entries.erase("KIV_Lib.cfg");
    entries.erase("KIV.ini");
    entries.erase("KIV_Lib.lock"); // the book's lock, while the program runs
    EXPECT_TRUE(entries.empty()) << "left in the library folder: " << joined(entries);

    // Two more recordings, then delete everything.
    recordSpeech(window, other);
    saveAs(kiv, window, QStringLiteral("香蕉"), QStringLiteral("n"));
    if (HasFatalFailure())
        return;
    recordSpeech(window, speech);
    saveAs(kiv, window, QStringLiteral("apple two"), QStringLiteral("n"));
    if (HasFatalFailure())
        return;
    waitUntil([&] { return indexLines(readIndex(lib)).size() == 2; });
    text = readIndex(lib);
    ASSERT_EQ(indexLines(text).size(), 2) << text.toStdString();
    EXPECT_TRUE(text.contains(QByteArray("\xCF\xE3\xBD\xB6"))) << "香蕉 in GBK: " << text.toStdString();
    EXPECT_TRUE(text.contains("\"apple two\"")) << text.toStdString();
    int wavs = 0;
    for (const std::string& name : folderEntries(lib))
        wavs += name.ends_with(".wav");
    EXPECT_EQ(wavs, 2) << joined(folderEntries(lib));
    EXPECT_FALSE(std::filesystem::exists(kiv.folder().path() + "label-2.pdf"))
        << "printed after answering No";

    // The deleted row stays blank at the top; the new records follow it.
    listCommand(window, 1, kDeleteAll);
    if (HasFatalFailure())
        return;
    answer(kiv, QStringLiteral("错误"), QStringLiteral("y"));
    waitUntil([&] {
        for (const std::string& name : folderEntries(lib))
            if (name.ends_with(".wav"))
                return false;
        return readIndex(lib).isEmpty();
    });
    ASSERT_TRUE(std::filesystem::exists(lib + "KIV_Lib.cfg"));
    EXPECT_EQ(std::filesystem::file_size(lib + "KIV_Lib.cfg"), 0u) << readIndex(lib).toStdString();
    entries = folderEntries(lib);
    for (const std::string& name : entries)
        EXPECT_FALSE(name.ends_with(".wav")) << name << " left after deleting everything";

    kiv.key(window, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
    EXPECT_FALSE(std::filesystem::exists(lib + "KIV_Lib.lock")) << "the book's lock outlived the program";
}

namespace {

// Runs kivtool on a book with the program's own configuration folder.
bool kivtool(const KivProcess& kiv, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(kiv.folder().path() + "config"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("KIV_BINARY_DIR") + QStringLiteral("/kivtool"), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Scans the code with the pen; the time from its Enter to the first sample above -30 dBFS at the sink
// (ms, 5000 when none), and the integrated loudness of what the sink played.
std::pair<double, double> scan(KivProcess& kiv, const QString& reading, const std::string& code) {
    CSinkMonitor sink;
    sink.wait(200);
    QString digits;
    for (char c : code)
        digits += QString(QChar(c)) + u' ';
    kiv.key(reading, digits.trimmed());
    sink.drain();
    static CLiveXdoTool pen;
    EXPECT_TRUE(pen.ready());
    const qint64 enter = pen.key(QStringLiteral("Return"));
    const qint64 loud = sink.waitLoud(5000, false, kWordSample);
    sink.wait(3500);
    std::vector<short> heard = sink.samples();
    return {loud ? double(loud - enter) / 1e6 : 5000, lufs(heard)};
}

} // namespace

// Four sounds as people make them, each heard at once after the pen's Enter and at one loudness: a take
// recorded with pauses around the word, an imported phone recording with a second of room noise before
// the speech, a line of speech from text, and a book made on Windows whose sound starts with a second of
// silence. With both switches off, the Windows sound's silence is heard again.
TEST(RecordingE2e, EverySoundIsHeardAtOnceAndAtOneLoudness) {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    KivProcess kiv;
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

    ASSERT_TRUE(kiv.start());
    const QString window = kiv.waitForWindow(QStringLiteral("KIV点读薄 V1.0"));
    ASSERT_FALSE(window.isEmpty()) << kiv.output().toStdString();
    pump(3000);                       // the sink delivers in small blocks only after a while
    clickFromCorner(window, 238, 42); // 开始录音
    pump(1500);                       // the speaker starts a moment later
    ASSERT_TRUE(speak(spoken));
    pump(1200);
    clickFromCorner(window, 238, 42); // 停止录音
    pump(800);
    saveAs(kiv, window, QStringLiteral("录音"), QStringLiteral("n"));
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(waitUntil([&] { return indexLines(readIndex(book)).size() == 4; }))
        << readIndex(book).toStdString();
    std::vector<std::string> codes; // the Windows sound, the import, the speech, the take
    for (const QByteArray& l : indexLines(readIndex(book)))
        codes.push_back(l.left(6).toStdString());

    const QSize mainSize = windowSize(window);
    click(window, 8 + 20, mainSize.height() - 18 - 10); // 进入点读
    const QString reading = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() == reading; }));
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
    const QSize size = windowSize(reading);
    click(reading, size.width() * 355 / 387, size.height() * 212 / 227); // 退出
    ASSERT_TRUE(windowGone(QStringLiteral("点读"), 5000));
    for (const char* keys : {"Up Return", "Up Up Return"}) {
        click(window, 25, 10);
        pump(300); // the popup opens under the pointer
        xdotool(QStringList{QStringLiteral("key")} + QString::fromLatin1(keys).split(u' '));
        pump(300);
    }
    const std::string conf = kiv.folder().path() + "config/KIV/KIV.conf";
    ASSERT_TRUE(waitUntil([&] { return readFile(conf).find("TrimSilence=false") != std::string::npos; }))
        << readFile(conf);
    EXPECT_NE(readFile(conf).find("EvenLoudness=false"), std::string::npos) << readFile(conf);
    click(window, 8 + 20, mainSize.height() - 18 - 10);
    const QString again = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(again.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() == again; }));
    EXPECT_GT(scan(kiv, again, "000001").first, 900);
    click(again, size.width() * 355 / 387, size.height() * 212 / 227);
    ASSERT_TRUE(windowGone(QStringLiteral("点读"), 5000));
    kiv.key(window, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
}
