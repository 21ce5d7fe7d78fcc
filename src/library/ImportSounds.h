#pragma once
// Records made from sound files: each file the decoder reads is written as a 16-bit wave file (its rate
// and channels kept) and filed under the next code, annotated with its title tag or else its name.
#include "library/FillOutcome.h"

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class CSoundLibrary;

struct ImportList {
    std::vector<std::string> files;  // native paths, in natural order
    std::vector<FillOutcome> passed; // what was given or found but is no file to import, and why
};
// The files under the given native paths: files as given, folders searched all the way down (hidden
// entries left out), each folder once however many links lead to it, so a link loop ends.
ImportList CollectSoundFiles(const std::vector<std::string>& nativePaths);

// A native file name (bytes in any encoding) as text: UTF-8 when it is, else GBK when it is, else with
// replacement characters for the bytes neither can show.
QString NameText(std::string_view bytes);

// Decodes one file and files it; the outcome says which code it got or why it got none.
FillOutcome ImportSoundFile(CSoundLibrary& library, const std::string& path);

// Removes what a filing killed mid-way left in the library folder (a sound's unfinished temporary file).
void RemoveUnfinishedSounds(const CSoundLibrary& library);
