// The sound server goes away under a running program: a recording cut off by it or that cannot start says
// so instead of filing a broken take as a success, and playback fails with its message, without hanging;
// once the server is back, the same program plays again. The scenario kills and restarts a server, so it
// runs in a child process with a sound server of its own, and the server of the other tests stays up.
#include "audio/Playback.h"
#include "audio/SoundRecorderCell.h"
#include "library/SoundLibrary.h"
#include "support/SinkMonitor.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const char* kChildFlag = "KIV_SERVER_OUTAGE_CHILD";

bool runTool(const QString& program, const QStringList& args, int timeoutMs = 15000) {
    bool ok = false;
    run(program, args, &ok, timeoutMs);
    return ok;
}

bool startServer() {
    runTool("pulseaudio", {"-D", "-n", "--exit-idle-time=-1", "--disallow-exit",
                           "--load=module-native-protocol-unix auth-anonymous=1",
                           "--load=module-null-sink sink_name=nullsink",
                           "--load=module-remap-source master=nullsink.monitor source_name=mic"});
    QElapsedTimer t;
    t.start();
    while (!runTool("pactl", {"info"}, 2000))
        if (t.elapsed() > 5000)
            return false;
    return runTool("pactl", {"set-default-sink", "nullsink"}) &&
           runTool("pactl", {"set-default-source", "mic"});
}

void killServer() {
    runTool("pulseaudio", {"--kill"});
    QElapsedTimer t;
    t.start();
    while (runTool("pactl", {"info"}, 2000) && t.elapsed() < 5000)
        pump(50);
}

TEST(SoundServerOutage, RecordingAndPlaybackFailWithAWord) {
    TempFolder run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildFlag, QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(run.path()));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), QString::fromStdString(run.path() + "pulse"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SoundServerOutageChild.*")});
    ASSERT_TRUE(child.waitForStarted(5000));
    bool finished = child.waitForFinished(90000);
    if (!finished)
        child.kill();
    QByteArray out = child.readAll();
    // Whatever happened, the child's own server goes with it.
    QProcess::execute(QStringLiteral("env"),
                      {"XDG_RUNTIME_DIR=" + QString::fromStdString(run.path()),
                       "PULSE_RUNTIME_PATH=" + QString::fromStdString(run.path() + "pulse"), "pulseaudio",
                       "--kill"});
    ASSERT_TRUE(finished) << "the child hung:\n" << out.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

TEST(SoundServerOutageChild, Scenario) {
    if (!std::getenv(kChildFlag))
        GTEST_SKIP() << "runs only as the child of SoundServerOutage.RecordingAndPlaybackFailWithAWord";
    ASSERT_TRUE(startServer());
    MessageBoxRecorder boxes;
    TempFolder folder;
    CSoundLibrary library;
    library.SetLibraryFolder(folder.path());
    const std::string wav = folder.file("000001.wav");
    writeTone(wav, 0.5, 440);
    SOUND_RECORD r;
    r.Code = "000001";
    r.SoundType = "S_WAV";
    r.SoundFile = wav;
    library.AddRecord(std::move(r));
    CPlayback playback(&library);
    playback.Warm();
    pump(300);
    auto heard = [&] {
        CSinkMonitor sink;
        playback.PlayCode(1);
        sink.wait(2500);
        return sink.loudSeconds();
    };
    EXPECT_GT(heard(), 0.3);
    ASSERT_EQ(boxes.count(), 0u);

    // A recording cut off by the server going away is a failed recording, and nothing is filed.
    auto recorder = std::make_unique<CSoundRecorder>();
    CSoundRecorder* rec = recorder.get();
    library.SetRecorder(std::move(recorder));
    ASSERT_EQ(rec->StartRecording(), 1);
    pump(700);
    killServer();
    pump(500);
    EXPECT_FALSE(rec->StopRecording());
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("error #01"));
    EXPECT_FALSE(rec->HasRecording());
    boxes.clear();
    EXPECT_EQ(library.FileRecording("x"), nullptr);
    EXPECT_EQ(library.RecordCount(), 1u);

    // While it is away, a play says it cannot play and a recording that cannot start says so; neither hangs.
    pump(4000);
    boxes.clear();
    playback.PlayCode(1);
    pump(300);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QString::fromUtf8("不能播放这种类型的文件!"));
    EXPECT_EQ(rec->StartRecording(), 0);
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("error #01"));

    // The server comes back: the next scan is heard, without restarting the program.
    ASSERT_TRUE(startServer());
    boxes.clear();
    EXPECT_GT(heard(), 0.3);
    EXPECT_EQ(boxes.count(), 0u) << (boxes.count() ? boxes.last().text.toStdString() : "");
}

} // namespace
