// The wave files the sound layer reads and writes.
#include "platform/SoundOutput.h"

#include <gtest/gtest.h>

namespace {

QAudioFormat format(int rate, int channels, QAudioFormat::SampleFormat sample) {
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(sample);
    return f;
}

TEST(WaveFormat, HeaderAndParserAgree) {
    for (auto f : {format(44100, 1, QAudioFormat::Int16), format(8000, 2, QAudioFormat::UInt8),
                   format(48000, 2, QAudioFormat::Float), format(22050, 1, QAudioFormat::Int32)}) {
        QByteArray pcm(f.bytesPerFrame() * 100, '\x11');
        QByteArray file = waveHeader(f, quint32(pcm.size())) + pcm;
        ASSERT_EQ(waveHeader(f, 0).size(), 44);
        WaveData w;
        ASSERT_TRUE(parseWave(file, w));
        EXPECT_EQ(w.format, f);
        EXPECT_EQ(w.pcm, pcm);
    }
}

TEST(WaveFormat, OtherChunksAndCutOffFilesAreRead) {
    QAudioFormat f = format(44100, 1, QAudioFormat::Int16);
    QByteArray head = waveHeader(f, 1000);
    // A LIST chunk of odd size (padded) between fmt and data, as editors write.
    QByteArray list = QByteArray("LIST\x03\0\0\0abc\0", 12);
    QByteArray file = head.left(36) + list + head.mid(36) + QByteArray(301, '\x22');
    WaveData w;
    ASSERT_TRUE(parseWave(file, w));
    // The data chunk claims 1000 bytes but 301 are there: whole frames of what is there.
    EXPECT_EQ(w.pcm.size(), 300);
}

TEST(WaveFormat, WhatIsNoPlayableWaveIsRefused) {
    QAudioFormat f = format(44100, 1, QAudioFormat::Int16);
    QByteArray good = waveHeader(f, 4) + QByteArray(4, '\0');
    WaveData w;
    ASSERT_TRUE(parseWave(good, w));
    EXPECT_FALSE(parseWave(QByteArray(), w));
    EXPECT_FALSE(parseWave(good.left(40), w)); // no data chunk
    QByteArray bits24 = good;
    bits24[34] = 24;
    EXPECT_FALSE(parseWave(bits24, w));
    QByteArray compressed = good;
    compressed[20] = 2; // ADPCM
    EXPECT_FALSE(parseWave(compressed, w));
    QByteArray noChannels = good;
    noChannels[22] = 0;
    EXPECT_FALSE(parseWave(noChannels, w));
    QByteArray hugeChunk = good;
    hugeChunk[16] = '\xff'; // fmt chunk claims more than the file holds
    hugeChunk[17] = '\xff';
    EXPECT_FALSE(parseWave(hugeChunk, w));
    QByteArray dataFirst = good.left(12) + good.mid(36) + good.mid(12, 24);
    EXPECT_FALSE(parseWave(dataFirst, w)); // data before fmt
}

} // namespace
