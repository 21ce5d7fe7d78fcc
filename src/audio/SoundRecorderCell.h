#pragma once
// The recorder cell: one recording from the default input, which the recording workflow starts, stops and
// previews, and which the library saves into its folder. SoundLibrary holds the cell; a new recording
// replaces it, and replacing or dropping it discards the old recording.
#include "library/SoundRecorder.h"

#include <memory>
#include <string>

class CSoundInput;

class CSoundRecorder : public SoundRecorder {
public:
    CSoundRecorder();
    ~CSoundRecorder() override;

    // Drops any recording and makes a new, empty one. 1 ready to record, 0 failed.
    int OpenNewRecording();
    // Opens a new recording and starts it. Tells the user "error #01" when there is nothing to record
    // from or the input does not start. 1 recording runs, 0 failed (the caller then discards the cell).
    int StartRecording();
    // Ends the recording; it stays for preview and saving. When the take could not be kept whole (the
    // temporary folder filled up, the sound server went away) tells the user "error #01", drops it and
    // returns false: nothing is left to preview or save.
    bool StopRecording();
    // Plays the recording from its start; a second preview starts it over. Nothing without a recording.
    void PreviewRecording();

    // Writes the recording as a wave file to gbkPath, asking before it overwrites a file. True only when
    // the file was written: a failed write is told to the user and reported as a failed save.
    bool SaveRecording(const std::string& gbkPath) override;
    void CloseRecording() override;

    bool IsRecording() const;
    bool HasRecording() const;
    CSoundInput* Input() const { return m_pInput.get(); }

private:
    std::unique_ptr<CSoundInput> m_pInput;
};

// The cell the process-wide library holds, or null when it holds none (or another kind).
CSoundRecorder* CurrentRecorder();
