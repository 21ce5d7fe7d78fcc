// With no sound server at all, recording says "error #01", playback says it cannot play, and nothing hangs.
// The sound system is set up once per process, so the checks run in a child process whose environment
// points at a server that is not there.
#include "audio/Playback.h"
#include "audio/SoundRecorderCell.h"
#include "library/SoundLibrary.h"
#include "support/SoundServer.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const char* kChildFlag = "KIV_NO_SOUND_SERVER_CHILD";

TEST(NoSoundServer, RecordingAndPlaybackFailAtOnce) {
    TempFolder empty;
    writeFile(empty.file("client.conf"), "autospawn = no\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildFlag, QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(empty.path()));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), QString::fromStdString(empty.path()));
    env.insert(QStringLiteral("PULSE_SERVER"), QString::fromStdString("unix:" + empty.file("none")));
    env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), QString::fromStdString(empty.file("client.conf")));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=NoSoundServerChild.*")});
    ASSERT_TRUE(child.waitForStarted(5000));
    QElapsedTimer t;
    t.start();
    bool finished = child.waitForFinished(30000);
    if (!finished)
        child.kill();
    QByteArray out = child.readAll();
    ASSERT_TRUE(finished) << "the child hung:\n" << out.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
    EXPECT_LT(t.elapsed(), 15000);
}

TEST(NoSoundServerChild, Checks) {
    if (!std::getenv(kChildFlag))
        GTEST_SKIP() << "runs only as the child of NoSoundServer.RecordingAndPlaybackFailAtOnce";
    MessageBoxRecorder boxes;
    TempFolder folder;
    QElapsedTimer t;
    t.start();

    CSoundRecorder rec;
    EXPECT_EQ(rec.StartRecording(), 0);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("error #01"));
    EXPECT_EQ(boxes.last().caption, applicationName());
    EXPECT_FALSE(rec.SaveRecording(folder.file("x.wav")));
    rec.PreviewRecording();

    CSoundLibrary library;
    const std::string wav = folder.file("000001.wav"), mp3 = folder.file("000002.mp3");
    writeTone(wav, 0.5, 440);
    ASSERT_TRUE(encodeMp3(wav, mp3));
    for (auto [code, type, path] : {std::tuple{1, "S_WAV", wav}, std::tuple{2, "S_MP3", mp3}}) {
        SOUND_RECORD r;
        r.Code = code == 1 ? "000001" : "000002";
        r.SoundType = type;
        r.SoundFile = path;
        library.AddRecord(std::move(r));
    }
    CPlayback playback(&library);
    playback.Warm();
    for (int code : {1, 2}) {
        boxes.clear();
        playback.PlayCode(code);
        QElapsedTimer w;
        w.start();
        while (boxes.count() == 0 && w.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_EQ(boxes.count(), 1u) << code;
        EXPECT_EQ(boxes.last().text, QString::fromUtf8("不能播放这种类型的文件!"));
        EXPECT_EQ(playback.PlayKind(), -1);
    }
    playback.StopPlay();
    EXPECT_LT(t.elapsed(), 10000);
}

} // namespace
