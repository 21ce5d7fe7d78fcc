#pragma once
// A recorder stand-in that writes a short, valid PCM wave file, and asks before overwriting as the real one.
#include "library/SoundRecorder.h"
#include "support/Wave.h" // WaveBytes(): what it saves

#include <string>
#include <vector>

class CFakeRecorder : public SoundRecorder {
public:
    struct Log {
        std::vector<std::string> saved;
        int closed = 0;
    };
    explicit CFakeRecorder(Log* log = nullptr, bool fail = false) : m_Log(log), m_Fail(fail) {}
    bool SaveRecording(const std::string& gbkPath) override;
    void CloseRecording() override;

private:
    Log* m_Log;
    bool m_Fail;
};
