#include "platform/soundfile/Speech.h"
#include "platform/core/UiText.h"

#include "platform/core/Trace.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <mutex>

namespace {

std::mutex g_SpeechLock;
bool g_Tried = false;
bool g_Ready = false;
int g_SampleRate = 0;

int collect(short* wav, int count, espeak_EVENT* events) {
    if (wav && count > 0 && events) {
        auto* out = static_cast<std::vector<short>*>(events->user_data);
        if (out)
            out->insert(out->end(), wav, wav + count);
    }
    return 0; // go on
}

bool start() {
    if (g_Tried)
        return g_Ready;
    g_Tried = true;
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    if (status != ENS_OK) {
        espeak_ng_ClearErrorContext(&context);
        trace("speech: the synthesiser cannot start (status %d)\n", int(status));
        return false;
    }
    // Synchronous: the samples arrive through the callback before the call returns, never on a device.
    if (espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr) != ENS_OK)
        return false;
    espeak_SetSynthCallback(collect);
    if (espeak_ng_SetVoiceByName("cmn") != ENS_OK) {
        trace("speech: no Mandarin voice \"cmn\"\n");
        return false;
    }
    g_SampleRate = espeak_ng_GetSampleRate();
    g_Ready = g_SampleRate > 0;
    return g_Ready;
}

} // namespace

bool synthesiseSpeech(const QString& text, int rate, SpeechSound& out, QString* why) {
    std::lock_guard lock(g_SpeechLock);
    out = SpeechSound();
    if (!start()) {
        if (why)
            *why = uiText("不能启动语音合成（没有普通话语音）");
        return false;
    }
    espeak_ng_SetParameter(espeakRATE, std::clamp(rate, kSpeechRateMin, kSpeechRateMax), 0);
    const QByteArray utf8 = text.toUtf8();
    std::vector<short> samples;
    espeak_ng_STATUS status = espeak_ng_Synthesize(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0,
                                                   POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &samples);
    if (status == ENS_OK)
        status = espeak_ng_Synchronize();
    const bool audible =
        std::any_of(samples.begin(), samples.end(), [](short s) { return s > 328 || s < -328; });
    if (status != ENS_OK || !audible) {
        if (why)
            *why = uiText("合成不出声音");
        return false;
    }
    out.samples = std::move(samples);
    out.sampleRate = g_SampleRate;
    return true;
}
