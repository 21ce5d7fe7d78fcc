#include "audio/Playback.h"

#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/core/UiText.h"

#include <array>
#include <cstring>

namespace {

bool sameAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

std::string FormatGbkText(const char* chinese, std::initializer_list<std::string_view> gbkArgs,
                          std::size_t limit) {
    // Split around %1, %2, ... so the names go in as their own bytes (one GBK cannot show stays as it is),
    // and in Chinese the line is byte for byte what it always was.
    const QString shown = uiText(chinese);
    std::string line;
    qsizetype from = 0;
    int n = 0;
    for (std::string_view arg : gbkArgs) {
        const QString marker = QStringLiteral("%") + QString::number(++n);
        const qsizetype at = shown.indexOf(marker, from);
        if (at < 0)
            break;
        line += toGbk(shown.mid(from, at - from)) + std::string(arg);
        from = at + marker.size();
    }
    line += toGbk(shown.mid(from));
    return FormatGbkLine({line}, limit);
}

std::string FormatGbkLine(std::initializer_list<std::string_view> parts, std::size_t limit) {
    std::string line;
    for (std::string_view p : parts)
        line += p;
    line.resize(gbkPrefixLength(line, limit));
    return line;
}

CPlayback::CPlayback(CSoundLibrary* library, QObject* parent) : QObject(parent), m_pLibrary(library) {
    m_Output.setFailureHandler([this] { OnLateFailure(); });
}

CPlayback::~CPlayback() {
    StopPlay();
}

void CPlayback::Warm() {
    m_Output.warm();
}

void CPlayback::SetLogWindow(QObject* window) {
    m_pLogWindow = window;
    if (window)
        PrepareSounds();
}

// The pen may scan any label of the book next: each first play should cost no more than a replay. Finding
// each file costs a look at the disk on this thread, so a huge book is prepared only in part.
constexpr std::size_t kPreparedSounds = 5000;

void CPlayback::PrepareSounds() {
    CSoundLibrary& library = m_pLibrary ? *m_pLibrary : SoundLibrary();
    std::vector<std::string> paths;
    library.ForEachRecord([&](const SOUND_RECORD* r) {
        const std::string type = r->SoundType.str();
        if (paths.size() < kPreparedSounds &&
            (sameAsciiNoCase(type, "S_WAV") || sameAsciiNoCase(type, "S_MP3")))
            paths.push_back(r->SoundFile.str());
    });
    for (std::string& path : paths)
        path = nativePath(library.SoundFileToPlay(path));
    m_Output.prepare(std::move(paths));
}

LRESULT CPlayback::PlayCode(int code) {
    CSoundLibrary& library = m_pLibrary ? *m_pLibrary : SoundLibrary();
    SOUND_RECORD record;
    if (!library.FindRecord(code, &record))
        return 0; // not filed: whatever plays goes on
    StopPlay();
    std::string type = record.SoundType.str();
    // A book made elsewhere plays the file found in its own folder; the log names that file.
    std::string path = library.SoundFileToPlay(record.SoundFile.view());
    if (sameAsciiNoCase(type, "S_WAV")) {
        PlayWave(path);
    } else if (sameAsciiNoCase(type, "S_MP3")) {
        PlayMp3(path);
    } else if (m_pLogWindow) {
        SendLog(FormatGbkText("不能支持的文件格式 \"%1\" --- \"%2\" !", {type, path}));
    }
    return 0;
}

void CPlayback::PlayWave(const std::string& gbkPath) {
    switch (m_Output.play(nativePath(gbkPath))) {
    case SoundOpen::Started:
        if (m_Output.lastWasMp3())
            trace("CPlayback: \"%s\" is filed as S_WAV but holds MP3; it plays all the same\n",
                  gbkPath.c_str());
        if (m_pLogWindow)
            SendLog(FormatGbkText("播放文件 \"%1\" !", {gbkPath}));
        ++m_WavDevice;
        m_PlayKind = 0;
        break;
    case SoundOpen::NotFound:
        messageBox(fromGbk(FormatGbkText("找不到文件\"%1\", 播放失败! ", {gbkPath})));
        break;
    case SoundOpen::Unplayable:
        messageBox(QString::fromUtf8("不能播放这种类型的文件!"));
        break;
    }
}

void CPlayback::PlayMp3(const std::string& gbkPath) {
    m_Mp3Player.FileName = gbkPath;
    m_Mp3Player.Open = true;
    if (m_Output.play(nativePath(gbkPath)) == SoundOpen::Started) {
        if (!m_Output.lastWasMp3())
            trace("CPlayback: \"%s\" is filed as S_MP3 but is no MP3; it plays all the same\n",
                  gbkPath.c_str());
        m_PlayKind = 1;
        return;
    }
    // A missing or unreadable MP3 fails like one the player cannot play.
    m_Mp3Player = Mp3Player();
    messageBox(QString::fromUtf8("不能播放这种类型的文件!"));
}

LRESULT CPlayback::StopPlay() {
    if (m_PlayKind == 0) {
        m_Output.stop();
        m_PlayKind = -1;
    } else if (m_PlayKind == 1) {
        m_Output.stop();
        m_Mp3Player = Mp3Player();
        m_PlayKind = -1;
    }
    return 0;
}

void CPlayback::SendLog(std::string_view gbkText) {
    // The receiver copies the text during the call; the buffer only has to outlive it.
    std::array<char, kLogTextLimit + 1> buffer{};
    std::size_t n = gbkPrefixLength(gbkText, kLogTextLimit);
    std::memcpy(buffer.data(), gbkText.data(), n);
    buffer[n] = '\0';
    sendMessage(m_pLogWindow, UM_LOG_TEXT, reinterpret_cast<WPARAM>(buffer.data()), 0);
}

void CPlayback::OnLateFailure() {
    trace("CPlayback: the sound failed after it started\n");
    m_PlayKind = -1;
    m_Mp3Player = Mp3Player();
    messageBox(QString::fromUtf8("不能播放这种类型的文件!"));
}
