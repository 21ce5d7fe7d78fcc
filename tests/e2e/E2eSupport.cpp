#include "e2e/E2eSupport.h"

#include "platform/core/Files.h"
#include "platform/soundfile/WaveFile.h"
#include "support/SoundServer.h"

#include <QProcessEnvironment>
#include <QSize>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/prctl.h>

KivProcess::KivProcess() {
    // The test binary lives in <build>/tests/, the program in <build>/.
    const char* bin = std::getenv("KIV_BINARY_DIR");
    const std::string buildDir =
        bin ? std::string(bin) : std::filesystem::path(executablePath()).parent_path().parent_path().string();
    std::filesystem::create_directories(programFolder());
    std::filesystem::copy_file(buildDir + "/KIV", programFolder() + "KIV");
}

KivProcess::~KivProcess() {
    if (m_Process.state() != QProcess::NotRunning) {
        m_Process.kill();
        m_Process.waitForFinished(5000);
    }
}

bool KivProcess::start(const QStringList& args) {
    if (!haveDisplay())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(m_Folder.path() + "data"));
    // A temporary folder of its own, so a test sees exactly what this copy leaves there.
    std::filesystem::create_directories(tempFolder());
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tempFolder()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(m_Folder.path() + "config"));
    // Chinese, whatever the language of the shell that runs the tests: the tests find windows by their
    // titles.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_Process.setProcessEnvironment(env);
    m_Process.setProcessChannelMode(QProcess::MergedChannels);
    // The program dies with the test: a test that aborts must not leave a window that takes the next
    // test's keys.
    m_Process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_Process.start(QString::fromStdString(programFolder() + "KIV"), args);
    return m_Process.waitForStarted(5000);
}

QString KivProcess::startPast(const QString& box, const QString& next, const QStringList& args) {
    if (!start(args))
        return {};
    const QString first = waitForWindow(box);
    return first.isEmpty() ? QString() : answerUntil(first, next);
}

int KivProcess::waitForExit(int timeoutMs) {
    if (!m_Process.waitForFinished(timeoutMs))
        return -1;
    return m_Process.exitStatus() == QProcess::NormalExit ? m_Process.exitCode() : -2;
}

void KivProcess::terminate() {
    if (m_Process.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(m_Process.processId()), SIGTERM);
}

QString KivProcess::output() {
    m_Output += QString::fromUtf8(m_Process.readAll());
    return m_Output;
}

bool KivProcess::said(const QString& text, int timeoutMs) {
    return waitUntil([&] { return output().contains(text); }, timeoutMs);
}

bool KivProcess::soundReady(int timeoutMs) {
    // The sound server names each stream's process.
    const QString mark = QStringLiteral("application.process.id = \"%1\"").arg(m_Process.processId());
    return waitUntil(
        [&] {
            return run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")})
                .contains(mark);
        },
        timeoutMs);
}

bool speak(const std::string& wav) {
    bool ok = false;
    run(QStringLiteral("paplay"),
        {QStringLiteral("-d"), QStringLiteral("nullsink"), QString::fromStdString(wav)}, &ok, 30000);
    return ok;
}

namespace {

QStringList visibleProgramWindows() {
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                    QStringLiteral("KIV")})
        .split(u'\n', Qt::SkipEmptyParts);
}

// The take's samples (16-bit mono, after its header; the header's sizes stay 0 until it ends).
std::vector<short> takeSamples(const std::string& take) {
    const std::string bytes = readFile(take);
    std::vector<short> s(bytes.size() > kWaveHeaderBytes ? (bytes.size() - kWaveHeaderBytes) / 2 : 0);
    std::copy_n(bytes.data() + kWaveHeaderBytes, s.size() * 2, reinterpret_cast<char*>(s.data()));
    return s;
}

// What the recorder hears when nothing plays: the sink's steady stream of zeros.
constexpr int kQuietSample = 300;

} // namespace

void E2eTest::SetUp() {
    ASSERT_TRUE(haveDisplay()) << "needs a display: run the tests through scripts/test";
}

void E2eSoundTest::SetUp() {
    E2eTest::SetUp();
    const std::string problem = soundServerProblem();
    ASSERT_TRUE(problem.empty()) << problem;
    m_Sound = true;
}

void E2eTest::startMain(const QStringList& args, const QString& title) {
    ASSERT_TRUE(kiv.start(args));
    main = kiv.waitForWindow(title);
    ASSERT_FALSE(main.isEmpty()) << kiv.output().toStdString();
    if (m_Sound) {
        ASSERT_TRUE(kiv.soundReady()) << "the program's sound stream did not open\n"
                                      << kiv.output().toStdString();
    }
}

std::string shotPath(const char* name) {
    return (std::filesystem::path(executablePath()).parent_path() / name).string();
}

QImage screenshot(const QString& window, const char* name) {
    bool ok = false;
    const QString path = QString::fromStdString(shotPath(name));
    run(QStringLiteral("import"), {QStringLiteral("-window"), window, path}, &ok);
    return ok ? QImage(path).convertToFormat(QImage::Format_RGB32) : QImage();
}

std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

QString answerUntil(const QString& box, const QString& next) {
    QString window;
    for (int i = 0; i < 20 && window.isEmpty(); ++i) {
        sendKeys(box, QStringLiteral("Return"));
        window = waitForWindow(next, 500);
    }
    return window;
}

void E2eTest::answer(const QString& caption, const QString& keys) {
    const QString box = kiv.waitForWindow(caption);
    ASSERT_FALSE(box.isEmpty()) << "no box \"" << caption.toStdString() << "\"\n"
                                << kiv.output().toStdString();
    kiv.key(box, keys);
    ASSERT_TRUE(windowGone(caption, kPatience)) << caption.toStdString() << " stays open";
}

void E2eTest::openReading() {
    // "进入点读" keeps 8 pixels from the left edge and 18 from the bottom.
    click(main, 8 + 20, windowSize(main).height() - 18 - 10);
    reading = kiv.waitForWindow(QStringLiteral("点读"));
    ASSERT_FALSE(reading.isEmpty()) << kiv.output().toStdString();
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() == reading; }, kPatience))
        << "the point-reading window has no focus";
}

void E2eTest::leaveReading() {
    // "退出" sits at 330..380 x 205..219 of the 387 x 227 dialog units.
    const QSize size = windowSize(reading);
    click(reading, size.width() * 355 / 387, size.height() * 212 / 227);
    ASSERT_TRUE(windowGone(QStringLiteral("点读"), kPatience)) << "退出 left point reading open";
}

void E2eTest::chooseFromMenu(int x, int y, const QString& keys, int button) {
    const QStringList before = visibleProgramWindows();
    click(main, x, y, button);
    // Once it shows, the program hands every key to it, whichever of its windows the key reaches.
    QString menu;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const QString& id : visibleProgramWindows())
                if (!before.contains(id))
                    menu = id;
            return !menu.isEmpty();
        },
        kPatience))
        << "no menu at " << x << "," << y;
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} +
            keys.split(u' '));
    ASSERT_TRUE(waitUntil([&] { return !visibleProgramWindows().contains(menu); }, kPatience))
        << "the menu stays open";
}

std::string E2eTest::growingTake(const std::set<std::string>& before) {
    std::string take;
    waitUntil(
        [&] {
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(kiv.tempFolder(), ec)) {
                const std::string name = e.path().filename().string();
                if (name.starts_with("kiv-recording-") && !before.count(name) &&
                    e.file_size(ec) > kWaveHeaderBytes + 4410) // 50 ms
                    take = e.path().string();
            }
            return !take.empty();
        },
        kPatience);
    return take;
}

bool E2eTest::heardToTheEnd(const std::string& take, double quietSeconds) {
    const std::vector<short> s = takeSamples(take);
    const auto loud =
        std::find_if(s.rbegin(), s.rend(), [](short v) { return std::abs(int(v)) > kQuietSample; });
    return loud != s.rend() && loud - s.rbegin() >= quietSeconds * 44100;
}

void E2eTest::record(const std::string& wav, double pauses, const QString& keys) {
    const auto press = [&] {
        if (keys.isEmpty())
            clickFromCorner(main, 238, 42); // 开始录音 / 停止录音
        else
            kiv.key(main, keys);
    };
    const std::set<std::string> before = entries(kiv.tempFolder());
    press();
    const std::string take = growingTake(before);
    ASSERT_FALSE(take.empty()) << "no sound comes into the recording\n" << kiv.output().toStdString();
    ASSERT_TRUE(waitUntil([&] { return takeSamples(take).size() >= pauses * 44100; }, kPatience));
    if (!wav.empty()) {
        ASSERT_TRUE(speak(wav)) << "paplay " << wav;
        ASSERT_TRUE(waitUntil([&] { return heardToTheEnd(take, std::max(pauses, 0.4)); }, kPatience))
            << "the speech's end did not reach the recording";
    }
    press();
    // The recorder writes the take's sizes into its header when it ends.
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::string header = readFile(take).substr(0, kWaveHeaderBytes);
            return header.size() < kWaveHeaderBytes || header.substr(40) != std::string(4, '\0');
        },
        kPatience))
        << "the take was not completed";
}

bool playedToTheEnd(CSinkMonitor& sink, int timeoutMs) {
    return waitUntil([&] { return sink.firstLoud() >= 0 && sink.tailRms(400) < 0.005; }, timeoutMs);
}

void E2eTest::untilPlayed(const std::function<void()>& action) {
    CSinkMonitor sink;
    action();
    if (sink.waitLoud(2000)) {
        EXPECT_TRUE(playedToTheEnd(sink)) << "a sound that does not end";
    }
}

void E2eTest::quit() {
    kiv.key(main, QStringLiteral("Escape"));
    EXPECT_EQ(kiv.waitForExit(), 0) << kiv.output().toStdString();
}
