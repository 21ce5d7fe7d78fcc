#pragma once
// A sound file taking a filed record's place: the code, and the label printed for it, stay.
#include "platform/soundfile/SoundLevel.h"

#include <QString>
#include <string>

class CSoundLibrary;
struct SOUND_RECORD;

// Decodes the file (native path) and makes it the record's sound as CSoundLibrary::ReplaceSound says,
// trimmed and levelled as choice says; false with the reason in *whyNot when the file gives no sound or
// cannot take the old one's place (which then stays).
bool ReplaceSoundFromFile(CSoundLibrary& library, const SOUND_RECORD* record, const std::string& path,
                          ReadyChoice choice, QString* whyNot);
