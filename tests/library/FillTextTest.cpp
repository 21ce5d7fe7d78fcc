// Annotations made from titles, names and lines of text, and the text files lines are read from.
#include "library/Annotation.h"
#include "library/SpeakText.h"
#include "platform/core/Gbk.h"

#include <gtest/gtest.h>

TEST(FillText, AnnotationIsTrimmedFlattenedAndCutBetweenCharactersAt63Bytes) {
    bool replaced = true;
    EXPECT_EQ(AnnotationFromText(QStringLiteral(" \t第一课\n苹果 \r\n"), &replaced),
              toGbk(QStringLiteral("第一课 苹果")));
    EXPECT_FALSE(replaced);
    // One ASCII byte in front puts every character boundary on an odd byte: 1 + 31 * 2 = 63.
    const std::string cut = AnnotationFromText(QStringLiteral("a") + QString(40, QChar(0x82F9)));
    EXPECT_EQ(cut.size(), 63u);
    EXPECT_TRUE(gbkRoundTrips(cut));
    EXPECT_EQ(AnnotationFromText(QStringLiteral("笑\U0001F600"), &replaced), toGbk(QStringLiteral("笑?")));
    EXPECT_TRUE(replaced);
}

TEST(FillText, LinesComeFromUtf8OrGbkFilesAndBlankLinesAreDropped) {
    const QString text = QStringLiteral("苹果\r\n  \n 香蕉 \n\n");
    EXPECT_EQ(SpeechLines(DecodeTextFile(text.toUtf8())), (QStringList{"苹果", "香蕉"}));
    const std::string gbk = toGbk(text);
    EXPECT_EQ(SpeechLines(DecodeTextFile(QByteArray(gbk.data(), qsizetype(gbk.size())))),
              (QStringList{"苹果", "香蕉"}));
    EXPECT_TRUE(NaturalLess(QStringLiteral("track 2.mp3"), QStringLiteral("Track 10.mp3")));
}

TEST(FillText, ALongLineIsSpokenInPiecesEndingAtSentences) {
    const QString sentence = QStringLiteral("我们一起去公园看美丽的花。"); // 13 characters
    const struct {
        QString line;
        qsizetype firstPiece;
    } cases[] = {
        {sentence.repeated(200000 / 13), 494},                     // 38 sentences fit
        {QStringLiteral("一二三四五，").repeated(100), 498},       // no sentence end: after a comma
        {QString(1000, u'字'), kSpeechLineLimit},                  // nothing to split at
        {QString(499, u'字') + QStringLiteral("\U0001F600"), 499}, // never inside a character
    };
    for (const auto& c : cases) {
        const QStringList pieces = SpeechLines(c.line);
        ASSERT_FALSE(pieces.isEmpty());
        EXPECT_EQ(pieces[0].size(), c.firstPiece);
        EXPECT_EQ(pieces.join(QString()), c.line);
        for (const QString& p : pieces)
            EXPECT_LE(p.size(), kSpeechLineLimit);
    }
}
