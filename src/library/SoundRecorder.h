#pragma once
// What the library needs of the sound recorder. The audio code implements it; the library only asks it to
// save the current recording into the library folder, and closes it at the end.
#include <string>

class SoundRecorder {
public:
    virtual ~SoundRecorder() = default;
    // Writes the current recording as a wave file to gbkPath (a stored GBK path: convert with nativePath()
    // to open it). When the file exists, asks the user first ("文件 \"%s\" 已经存在, 是否覆盖? ") and
    // returns false if the user declines. True only when the file was written.
    virtual bool SaveRecording(const std::string& gbkPath) = 0;
    // Stops and drops the recording; the library calls it before it deletes the recorder.
    virtual void CloseRecording() = 0;
};
