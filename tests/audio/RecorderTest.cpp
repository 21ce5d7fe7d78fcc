// The recorder cell against the headless sound server: speech played into the null sink is heard by the
// virtual microphone and recorded.
#include "audio/SoundRecorderCell.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/sound/SoundInput.h"
#include "support/Faults.h"
#include "support/SinkMonitor.h"
#include "support/SoundServer.h"
#include "support/TestSupport.h"
#include "support/Wave.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

void pumpEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string problem = soundServerProblem();
        ASSERT_TRUE(problem.empty()) << problem;
        library.SetLibraryFolder(folder.path());
    }
    CSoundRecorder* newRecorder() {
        auto cell = std::make_unique<CSoundRecorder>();
        CSoundRecorder* p = cell.get();
        library.SetRecorder(std::move(cell));
        return p;
    }
    // Records while the wave file plays into the sink.
    void recordWhilePlaying(CSoundRecorder* rec, const std::string& wav) {
        ASSERT_EQ(rec->StartRecording(), 1);
        EXPECT_TRUE(rec->IsRecording());
        pumpEvents(300);
        QProcess paplay;
        paplay.start(QStringLiteral("paplay"), {QString::fromStdString(wav)});
        ASSERT_TRUE(paplay.waitForStarted(5000));
        QElapsedTimer t;
        t.start();
        while (paplay.state() != QProcess::NotRunning && t.elapsed() < 15000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_EQ(paplay.exitCode(), 0);
        pumpEvents(400);
        rec->StopRecording();
        EXPECT_FALSE(rec->IsRecording());
    }
    TempFolder folder;
    CSoundLibrary library;
    MessageBoxRecorder boxes;
};

TEST_F(RecorderTest, RecordsTheSpeechItHears) {
    const std::string speech = folder.file("speech.wav");
    double seconds =
        writeSpeech(speech, QStringLiteral("Point the pen at the picture and listen, one two three"));
    ASSERT_GT(seconds, 1.5) << "espeak-ng is needed for the speech";
    CSoundRecorder* rec = newRecorder();
    recordWhilePlaying(rec, speech);

    // What the level meter and the silent-take check read: the take was loud, for about its length.
    EXPECT_GT(rec->Input()->recordingPeak(), 0.1);
    EXPECT_GT(rec->Input()->capturedSeconds(), seconds);

    // Saved twice: two equal wave files holding the speech's length of sound, the silence around it cut.
    const std::string a = folder.file("a.wav"), b = folder.file(toGbk(QString::fromUtf8("录音二.wav")));
    ASSERT_TRUE(rec->SaveRecording(a));
    ASSERT_TRUE(rec->SaveRecording(b));
    EXPECT_EQ(boxes.count(), 0u);
    const std::string bytes = readFile(a);
    EXPECT_EQ(bytes, readFile(nativePath(b)));
    int rate = 0;
    auto s = readMono16(a, &rate);
    ASSERT_EQ(rate, 44100);
    double length = double(s.size()) / rate;
    EXPECT_GT(length, seconds * 0.7);
    EXPECT_LT(length, seconds + 0.2);
    EXPECT_GT(rms(s), 0.01) << "the recording is silent";
    // The loud part is about as long as the speech: count 10 ms windows above the noise.
    int loud = 0;
    for (std::size_t i = 0; i + 441 <= s.size(); i += 441)
        loud += rms(s, i, i + 441) > 0.01;
    EXPECT_GT(loud / 100.0, seconds * 0.4);
    EXPECT_LT(loud / 100.0, seconds + 0.3);
    // The header describes the data exactly.
    ASSERT_GE(bytes.size(), 44u);
    std::uint32_t dataSize;
    std::memcpy(&dataSize, bytes.data() + 40, 4);
    EXPECT_EQ(dataSize + 44, bytes.size());

    // Preview plays it into the sink as it is filed, the word at once; a second preview starts it over.
    {
        CSinkMonitor sink;
        rec->PreviewRecording();
        sink.wait(700);
        EXPECT_GT(sink.loudSeconds(), 0.2);
        EXPECT_LT(sink.firstLoud(), 0.15);
        rec->PreviewRecording();
        sink.wait(int(length * 1000) + 600);
        // Restarted at 0.7 s, so sound goes on past the recording's own length.
        EXPECT_GT(sink.lastLoud(), 0.7 + seconds * 0.6);
        EXPECT_GT(sink.lastLoud(), length * 0.8);
    }
    // Saving does not end the recording; a new one drops it.
    EXPECT_TRUE(rec->HasRecording());
    ASSERT_EQ(rec->OpenNewRecording(), 1);
    EXPECT_FALSE(rec->SaveRecording(folder.file("c.wav")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("c.wav")));
}

TEST_F(RecorderTest, ASilentTakeStaysBelowTheSilenceThresholdWhileTheMeterSeesATone) {
    CSoundRecorder* rec = newRecorder();
    ASSERT_EQ(rec->StartRecording(), 1);
    pumpEvents(800);
    EXPECT_LT(rec->Input()->takeRecentPeak(), 0.0031); // -50 dBFS
    const std::string tone = folder.file("tone.wav");
    writeTone(tone, 0.5, 440, 0.25);
    QProcess paplay;
    paplay.start(QStringLiteral("paplay"), {QString::fromStdString(tone)});
    ASSERT_TRUE(paplay.waitForStarted(5000));
    double loudest = 0;
    for (int i = 0; i < 40; ++i) {
        pumpEvents(50);
        loudest = std::max(loudest, rec->Input()->takeRecentPeak());
    }
    paplay.waitForFinished(5000);
    rec->StopRecording();
    EXPECT_NEAR(loudest, 0.25, 0.08);
    EXPECT_GT(rec->Input()->capturedSeconds(), 2.0);
}

TEST_F(RecorderTest, LibraryFilesAndReplacesARealRecording) {
    const std::string tone = folder.file("tone.wav");
    writeTone(tone, 0.6, 523);
    CSoundRecorder* rec = newRecorder();
    recordWhilePlaying(rec, tone);

    const SOUND_RECORD* r = library.FileRecording("hello");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Code, "000000");
    EXPECT_EQ(r->SoundFile.str(), folder.file("000000.wav"));
    auto s = readMono16(folder.file("000000.wav"));
    EXPECT_GT(rms(s), 0.01);
    EXPECT_EQ(boxes.count(), 0u);

    // Re-recording the same code asks before it overwrites the old sound.
    const std::string before = readFile(folder.file("000000.wav"));
    rec = newRecorder();
    recordWhilePlaying(rec, tone);
    boxes.answer(IDNO);
    EXPECT_EQ(library.ReplaceRecording(0), 0);
    ASSERT_GE(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, QString::fromUtf8("文件 \"") +
                                         QString::fromStdString(folder.file("000000.wav")) +
                                         QString::fromUtf8("\" 已经存在, 是否覆盖? "));
    EXPECT_EQ(boxes.calls()[0].type, MB_YESNO);
    EXPECT_EQ(readFile(folder.file("000000.wav")), before);
    boxes.clear();
    boxes.answer(IDYES);
    EXPECT_EQ(library.ReplaceRecording(0), 1);
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_NE(readFile(folder.file("000000.wav")), before);
    EXPECT_GT(rms(readMono16(folder.file("000000.wav"))), 0.01);
}

TEST_F(RecorderTest, AFailedWriteIsAFailedSave) {
    CSoundRecorder* rec = newRecorder();
    ASSERT_EQ(rec->StartRecording(), 1);
    pumpEvents(300);
    rec->StopRecording();

    // The target's folder is missing: the write fails, the user is told, the save counts as failed.
    const std::string target = folder.path() + "gone/000001.wav";
    EXPECT_FALSE(rec->SaveRecording(target));
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text,
              QString::fromUtf8("保存\"") + QString::fromStdString(target) + QString::fromUtf8("\"失败！"));
    EXPECT_EQ(boxes.last().caption, defaultCaption());

    // So the library files nothing, and leaves nothing behind.
    library.SetLibraryFolder(folder.path() + "gone/");
    boxes.clear();
    EXPECT_EQ(library.FileRecording("x"), nullptr);
    EXPECT_EQ(library.RecordCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "gone"));

    // The recording lives in a private temporary file, not in the current folder.
    EXPECT_FALSE(std::filesystem::exists("1"));
    EXPECT_TRUE(rec->Input()->hasRecording());
}

TEST_F(RecorderTest, SaveWithoutARecordingSavesNothing) {
    CSoundRecorder rec;
    EXPECT_FALSE(rec.SaveRecording(folder.file("x.wav")));
    rec.PreviewRecording();
    rec.StopRecording();
    EXPECT_FALSE(std::filesystem::exists(folder.file("x.wav")));
    EXPECT_EQ(boxes.count(), 0u);
}

} // namespace

namespace {

// The temporary folder fills up during a take: the take fails when it is stopped, the user hears of it,
// and nothing is filed.
TEST_F(RecorderTest, AFullTemporaryFolderFailsTheTake) {
    if (!isRoot())
        GTEST_SKIP() << "mounting a small file system needs root (CI runs as root)";
    SmallDisk disk("1m");
    ASSERT_TRUE(disk.mounted());
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(disk.path()));
    CSoundRecorder* rec = newRecorder();
    ASSERT_EQ(rec->StartRecording(), 1);
    pumpEvents(500);
    disk.fill();
    pumpEvents(1000);
    EXPECT_FALSE(rec->StopRecording());
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.last().text, QStringLiteral("error #01"));
    EXPECT_EQ(boxes.last().caption, applicationName());
    EXPECT_FALSE(rec->HasRecording());
    boxes.clear();
    EXPECT_EQ(library.FileRecording("x"), nullptr);
    EXPECT_EQ(library.RecordCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder.file("000000.wav")));
}

} // namespace
