// Keys and the list as a user meets them, with real X events on the real program: Enter presses the focused
// button and Esc cancels in every dialog; the record list neither selects everything on Ctrl+A nor plays a
// row when it only gets the focus; the pen's digits play on US, French and German keyboards, Shift held or
// not.
#include "e2e/E2eSupport.h"
#include "support/SoundServer.h"
#include "support/Wave.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Focuses a button without pressing it: press on it, leave it, release elsewhere.
void focusButton(const QString& window, int x, int y) {
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y), QStringLiteral("mousedown"), QStringLiteral("1"),
             QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y + 60), QStringLiteral("mouseup"), QStringLiteral("1")});
}

bool hasBox(const QString& caption) {
    return !waitForWindow(caption, 1500).isEmpty();
}

class KeyboardE2e : public E2eSoundTest {
protected:
    // Answers every "错误" box that comes up, one after another; how many came.
    int answerErrorBoxes(int firstWaitMs = 1500) {
        int n = 0;
        for (QString box;
             n < 60 && !(box = waitForWindow(QStringLiteral("错误"), n ? 1000 : firstWaitMs)).isEmpty();) {
            ++n;
            kiv.key(box, QStringLiteral("Return"));
            windowGone(QStringLiteral("错误"), 2000);
        }
        return n;
    }
};

} // namespace

TEST_F(KeyboardE2e, EnterPressesTheFocusedButtonAndEscCancels) {
    const std::string ini = kiv.programFolder() + "KIV.ini";
    ASSERT_NO_FATAL_FAILURE(startMain());
    const QSize size = windowSize(main);

    // Main window: Enter with no button focused leaves it open; Enter on the focused "进入点读" opens it.
    kiv.key(main, QStringLiteral("Return"));
    EXPECT_FALSE(windowGone(kMainTitle, 800)) << "Enter ended the main window";
    focusButton(main, 8 + 20, size.height() - 18 - 10);
    EXPECT_TRUE(waitForWindow(QStringLiteral("点读"), 800).isEmpty())
        << "a press that left the button pressed it";
    kiv.key(main, QStringLiteral("Return"));
    reading = kiv.waitForWindow(QStringLiteral("点读"), 5000);
    ASSERT_FALSE(reading.isEmpty()) << "Enter on the focused 进入点读 did nothing";
    ASSERT_NO_FATAL_FAILURE(leaveReading());

    // Settings with a height typed: Tab to 取消 and Enter saves nothing, to 保存 and Enter saves, Esc saves
    // nothing, Enter in the editable type box saves. What KIV.ini holds after each ("": no file).
    const struct {
        const char *height, *keys;
        bool inTypeBox;
        const char* ini;
    } settingsCases[] = {{"2 0", "Tab Tab Tab Tab Return", false, ""},
                         {"2 0", "Tab Tab Tab Return", false, "Height=20"},
                         {"3 0", "Escape", false, "Height=20"},
                         {"3 0", "Return", true, "Height=30"}};
    for (const auto& c : settingsCases) {
        SCOPED_TRACE(c.keys);
        ASSERT_NO_FATAL_FAILURE(chooseFromMenu(75, 10, QStringLiteral("Down Return"))); // 设置 > 设置
        const QString settings = kiv.waitForWindow(QStringLiteral("设置"));
        ASSERT_FALSE(settings.isEmpty()) << "no settings dialog";
        // The height edit covers 83..148 x 54..67 of the dialog's 316 x 180 units; the type box is above.
        const QSize s = windowSize(settings);
        click(settings, s.width() * 115 / 316, s.height() * 60 / 180);
        kiv.key(settings, QStringLiteral("ctrl+a BackSpace ") + QString::fromLatin1(c.height));
        if (c.inTypeBox)
            click(settings, s.width() * 100 / 316, s.height() * 36 / 180);
        kiv.key(settings, QString::fromLatin1(c.keys));
        ASSERT_TRUE(windowGone(QStringLiteral("设置"))) << "the dialog stays open";
        if (*c.ini)
            EXPECT_NE(readFile(ini).find(c.ini), std::string::npos) << readFile(ini);
        else
            EXPECT_FALSE(std::filesystem::exists(ini)) << "saved: " << readFile(ini);
    }

    // Annotation: record, save, type, Tab to 取消, Enter: nothing is filed.
    ASSERT_NO_FATAL_FAILURE(record());
    clickFromCorner(main, 48, 42); // 保存
    // The take is silence: keep it all the same.
    const QString silent = kiv.waitForWindow(QStringLiteral("没有声音"), 5000);
    if (!silent.isEmpty())
        kiv.key(silent, QStringLiteral("y"));
    const QString dialog = kiv.waitForWindow(QStringLiteral("标注内容"));
    ASSERT_FALSE(dialog.isEmpty()) << kiv.output().toStdString();
    const QSize d = windowSize(dialog);
    click(dialog, d.width() * 157 / 316, d.height() * 51 / 91);
    kiv.key(dialog, QStringLiteral("x Tab Tab Return"));
    ASSERT_TRUE(windowGone(QStringLiteral("标注内容"))) << "Enter on 取消 left the dialog open";
    EXPECT_FALSE(hasBox(QStringLiteral("打印条码"))) << "Enter on 取消 filed the recording";
    EXPECT_TRUE(readFile(kiv.programFolder() + "KIV_Lib.cfg").empty());

    // The take was never filed: Esc asks before it ends the program and throws the take away.
    kiv.key(main, QStringLiteral("Escape"));
    const QString ask = kiv.waitForWindow(QStringLiteral("KIV"), 5000);
    ASSERT_FALSE(ask.isEmpty()) << "Esc with an unsaved take ended KIV unasked";
    kiv.key(ask, QStringLiteral("y"));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
}

TEST_F(KeyboardE2e, TheRecordListPlaysOneRowPerActionAndNothingWhenItOnlyGetsTheFocus) {
    // Forty records whose sound files are missing: every play shows a "找不到文件" box.
    std::string index;
    for (int i = 0; i < 40; ++i) {
        const std::string code = QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')).toStdString();
        index += code + "  \"note\"  S_WAV  \"" + kiv.programFolder() + code + ".wav\"\r\n";
    }
    writeFile(kiv.programFolder() + "KIV_Lib.cfg", index);
    ASSERT_NO_FATAL_FAILURE(startMain());
    const QSize size = windowSize(main);

    // The list's scroll bar (its down arrow) takes the focus; later Tab from "进入点读" gives it back.
    focusButton(main, 8 + 20, size.height() - 18 - 10);
    click(main, size.width() - 16, size.height() - 18 - 42 - 8 - 8);
    EXPECT_EQ(answerErrorBoxes(), 0) << "the scroll bar's focus played a row";
    focusButton(main, 8 + 20, size.height() - 18 - 10);
    kiv.key(main, QStringLiteral("Tab"));
    EXPECT_EQ(answerErrorBoxes(), 0) << "Tab into the list played a row";

    // A click plays its row once; Ctrl+A plays nothing; Shift+click over eleven rows plays one.
    click(main, 30, 90);
    EXPECT_EQ(answerErrorBoxes(5000), 1);
    kiv.key(main, QStringLiteral("ctrl+a"));
    EXPECT_EQ(answerErrorBoxes(), 0) << "Ctrl+A played rows";
    {
        ShiftReleased shiftReleased;
        xdotool({QStringLiteral("keydown"), QStringLiteral("shift")});
        click(main, 30, 90 + 18 * 10);
    }
    EXPECT_EQ(answerErrorBoxes(5000), 1) << "one Shift+click played more than one row";

    quit();
}

namespace {

// Puts the US layout back whatever a test left.
struct UsLayoutRestored {
    ~UsLayoutRestored() { run(QStringLiteral("setxkbmap"), {QStringLiteral("us")}); }
};

// What the keys (X keycodes or names, "shift+11") type on the display's layout, as a program reads it: a
// window of xev's takes them and says which keysym each key press gave.
QString typedBy(const QStringList& keys) {
    QProcess xev;
    // Line-buffered: it tells each event as it comes.
    xev.start(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("xev"),
                                         QStringLiteral("-event"), QStringLiteral("keyboard")});
    QString window;
    waitUntil(
        [&] {
            window = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                                     QStringLiteral("^Event Tester$")})
                         .trimmed();
            return !window.isEmpty();
        },
        kPatience);
    sendKeys(window.section(u'\n', 0, 0), keys.join(u' '), 20);
    // Until xev has told every release: the last key's is the last.
    QString told;
    waitUntil(
        [&] {
            told += QString::fromUtf8(xev.readAllStandardOutput());
            return told.count(QStringLiteral("KeyRelease event")) >= keys.join(u'+').count(u'+') + 1;
        },
        kPatience);
    xev.terminate();
    xev.waitForFinished(3000);
    told += QString::fromUtf8(xev.readAllStandardOutput());
    // A "KeyPress event" block names its keysym: "... keycode 11 (keysym 0x32, 2), same_screen YES,".
    QStringList typed;
    const QRegularExpression press(QStringLiteral("KeyPress event.*?\\(keysym 0x[0-9a-f]+, (\\w+)\\)"),
                                   QRegularExpression::DotMatchesEverythingOption);
    for (const auto& m : press.globalMatch(told))
        if (!m.captured(1).startsWith(QStringLiteral("Shift")))
            typed << m.captured(1);
    return typed.join(u' ');
}

} // namespace

TEST_F(KeyboardE2e, PenDigitsPlayOnUsFrenchAndGermanKeyboardsWithAndWithoutShift) {
    UsLayoutRestored layoutRestored;
    ShiftReleased shiftReleased;
    // What the 2 key (keycode 11) types without and with Shift on each layout: the French one types digits
    // only with Shift.
    const std::pair<QString, QString> layouts[] = {
        {QStringLiteral("us"), QStringLiteral("2 at")},
        {QStringLiteral("fr"), QStringLiteral("eacute 2")},
        {QStringLiteral("de"), QStringLiteral("2 quotedbl")},
    };
    // The pen's 0 0 0 0 4 2 Enter, by the keys it presses whatever they type.
    const QString keys = QStringLiteral("19 19 19 19 13 11 36");
    writeTone(kiv.programFolder() + "000042.wav", 0.3, 440);
    writeFile(kiv.programFolder() + "KIV_Lib.cfg",
              "000042  \"tone\"  S_WAV  \"" + kiv.programFolder() + "000042.wav\"\r\n");
    for (const auto& [layout, two] : layouts) {
        SCOPED_TRACE(layout.toStdString());
        bool ok = false;
        run(QStringLiteral("setxkbmap"), {layout}, &ok);
        ASSERT_TRUE(ok) << "setxkbmap " << layout.toStdString();
        ASSERT_EQ(typedBy({QStringLiteral("11"), QStringLiteral("shift+11")}), two)
            << "the layout was not set";
        ASSERT_NO_FATAL_FAILURE(startMain());
        ASSERT_NO_FATAL_FAILURE(openReading());
        CSinkMonitor monitor;
        for (const bool shift : {false, true}) {
            monitor.drain();
            ASSERT_TRUE(sendKeys(reading, keys, 5, shift));
            EXPECT_NE(monitor.waitLoud(5000), 0) << (shift ? "with" : "without") << " Shift nothing played\n"
                                                 << kiv.output().toStdString();
            monitor.waitQuiet(3000);
        }
        ASSERT_NO_FATAL_FAILURE(leaveReading());
        quit();
    }
}

// A whole book by keyboard alone, with real key events: record, annotate, file, print the label sheet, read
// the label with the pen, leave with Esc. The underlined letters are the only way in.
TEST_F(KeyboardE2e, ABookMadeWithTheKeyboardAlone) {
    const std::string speech = kiv.folder().path() + "speech.wav";
    const double speechSeconds = writeSpeech(speech, QStringLiteral("apple, this is an apple"));
    ASSERT_GT(speechSeconds, 0.5);
    qputenv("KIV_PRINT_TO_PDF", QByteArray::fromStdString(kiv.folder().path() + "sheet.pdf"));
    startMain();
    qunsetenv("KIV_PRINT_TO_PDF");
    if (HasFatalFailure())
        return;

    ASSERT_NO_FATAL_FAILURE(record(speech, 0, QStringLiteral("alt+r"))); // 开始录音(R), 停止录音(R)
    kiv.key(main, QStringLiteral("alt+s"));                              // 保存(S)
    const QString dialog = kiv.waitForWindow(QStringLiteral("标注内容"));
    ASSERT_FALSE(dialog.isEmpty()) << kiv.output().toStdString();
    // The text field has the focus (Enter there types a blank); 填好了,下一步(N).
    kiv.key(dialog, QStringLiteral("a p p l e alt+n"));
    ASSERT_TRUE(windowGone(QStringLiteral("标注内容"))) << "the recording was not filed";
    ASSERT_NO_FATAL_FAILURE(answer(QStringLiteral("打印条码"), QStringLiteral("n")));
    EXPECT_EQ(readFile(kiv.userBook() + "KIV_Lib.cfg").substr(0, 6), "000000");

    // 点读书(B) > 打印标签页(L), 打印(P).
    kiv.key(main, QStringLiteral("alt+b l"));
    const QString sheet = kiv.waitForWindow(QStringLiteral("打印标签页"));
    ASSERT_FALSE(sheet.isEmpty()) << kiv.output().toStdString();
    kiv.key(sheet, QStringLiteral("alt+p"));
    ASSERT_TRUE(windowGone(QStringLiteral("打印标签页"))) << "打印 left the dialog open";
    const QString pdf = QString::fromStdString(kiv.folder().path() + "sheet.pdf");
    const QString png = QString::fromStdString(kiv.folder().path() + "sheet");
    bool ok = false;
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("600"), QStringLiteral("-png"), pdf, png}, &ok, 60000);
    ASSERT_TRUE(ok) << "no label sheet printed";
    EXPECT_EQ(run(QStringLiteral("sh"),
                  {QStringLiteral("-c"), QStringLiteral("zbarimg -q '%1'-*.png").arg(png)}, &ok, 60000),
              QStringLiteral("CODE-128:000000"));

    // 进入点读(D); the pen types the code and Enter; Esc leaves, and Esc again ends the program.
    kiv.key(main, QStringLiteral("alt+d"));
    reading = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
    CSinkMonitor sink;
    ASSERT_TRUE(sink.started());
    ASSERT_TRUE(kiv.key(reading, QStringLiteral("0 0 0 0 0 0 Return")));
    playedToTheEnd(sink);
    EXPECT_GT(sink.loudSeconds(), speechSeconds * 0.4) << "the pen's code played too little";
    kiv.key(reading, QStringLiteral("Escape"));
    ASSERT_TRUE(windowGone(QStringLiteral("点读"))) << "Esc did not leave point reading";
    quit();
}
