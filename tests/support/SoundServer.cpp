#include "support/SoundServer.h"

#include "support/TestSupport.h"
#include "support/Wave.h"

#include <cstdlib>

std::string soundServerProblem() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return "no sound server: XDG_RUNTIME_DIR is not set. Start it with "
               "`source scripts/services.sh; start_sound_server` (scripts/test does) before the tests.";
    bool ok = false;
    const QString out =
        run(QStringLiteral("pactl"),
            {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sources")}, &ok, 5000);
    if (!ok)
        return "no sound server answers at XDG_RUNTIME_DIR=" + std::string(runtime) +
               ". Start it with `source scripts/services.sh; start_sound_server`.";
    if (!out.contains(QStringLiteral("nullsink.monitor")) || !out.contains(QStringLiteral("mic")))
        return "the sound server has no null sink and virtual microphone (see scripts/services.sh)";
    return {};
}

bool encodeMp3(const std::string& wavPath, const std::string& mp3Path) {
    bool ok = false;
    run(QStringLiteral("lame"),
        {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("64"),
         QString::fromStdString(wavPath), QString::fromStdString(mp3Path)},
        &ok, 20000);
    return ok;
}

double writeSpeech(const std::string& path, const QString& text) {
    bool ok = false;
    run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), QString::fromStdString(path), text}, &ok, 20000);
    if (!ok)
        return -1;
    int rate = 0;
    const auto s = readMono16(path, &rate);
    return rate > 0 ? double(s.size()) / rate : -1;
}
