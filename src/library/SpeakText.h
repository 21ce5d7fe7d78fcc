#pragma once
// Records made from text: each line is spoken by the synthesiser, written as a wave file and filed under
// the next code with the line as its annotation.
#include "library/FillOutcome.h"

#include <QString>
#include <QStringList>

class CSoundLibrary;

// A text file to speak holds at most this many bytes, and one record at most this many characters: speech
// of one line is made whole in memory (500 characters are a few minutes of sound).
constexpr qint64 kSpeechFileLimit = 1 << 20;
constexpr qsizetype kSpeechLineLimit = 500;

// The lines worth speaking: non-empty after trimming, in their order; a line longer than kSpeechLineLimit
// is split after the last sentence end that keeps a piece within it (else after a comma or a blank, else
// at the limit).
QStringList SpeechLines(const QString& text);
// The lines of a text file as SpeechLines gives them; false, with the reason for the user, when it cannot
// be read or holds more than kSpeechFileLimit bytes (a device such as /dev/zero stops there).
bool ReadSpeechFile(const QString& path, QStringList& lines, QString* whyNot);
// Text from a file's bytes: UTF-8 when they are valid UTF-8, else GBK.
QString DecodeTextFile(const QByteArray& bytes);
// Speaks one line at rate (words per minute) and files it.
FillOutcome SpeakLine(CSoundLibrary& library, const QString& line, int rate);
