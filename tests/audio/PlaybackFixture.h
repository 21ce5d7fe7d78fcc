#pragma once
// What the playback tests share: a book of records filed by hand, its playback, the point-reading log and
// the message boxes.
#include "audio/Playback.h"
#include "library/SoundLibrary.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Keeps every UM_LOG_TEXT it gets, copied during the call as the point-reading window does.
class LogWindow : public CMessageReceiver {
public:
    std::vector<std::string> lines;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM) override {
        if (msg == UM_LOG_TEXT)
            lines.emplace_back(reinterpret_cast<const char*>(w));
        return 0;
    }
};

class PlaybackFixture : public ::testing::Test {
protected:
    // Files a record of the type under the six-digit code of number.
    void file(int number, const std::string& type, const std::string& path) {
        SOUND_RECORD r;
        char code[16];
        std::snprintf(code, sizeof code, "%06d", number);
        r.Code = code;
        r.Content = "x";
        r.SoundType = type;
        r.SoundFile = path;
        library.AddRecord(std::move(r));
    }
    TempFolder folder;
    CSoundLibrary library;
    CPlayback playback{&library};
    LogWindow log;
    MessageBoxRecorder boxes;
};
