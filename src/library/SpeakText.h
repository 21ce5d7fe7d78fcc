#pragma once
// Records made from text: each line is spoken by the synthesiser, written as a wave file and filed under
// the next code with the line as its annotation.
#include "library/FillOutcome.h"

#include <QString>
#include <QStringList>

class CSoundLibrary;

// The lines worth speaking: non-empty after trimming, in their order.
QStringList SpeechLines(const QString& text);
// Text from a file's bytes: UTF-8 when they are valid UTF-8, else GBK.
QString DecodeTextFile(const QByteArray& bytes);
// Speaks one line at rate (words per minute) and files it.
FillOutcome SpeakLine(CSoundLibrary& library, const QString& line, int rate);
