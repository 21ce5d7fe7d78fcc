#include "platform/sound/PulseOutput.h"

#include "platform/core/Trace.h"

#include <algorithm>
#include <pulse/pulseaudio.h>

namespace {

// How long a connection or a new stream may take before the server counts as unreachable: a server that
// is gone refuses at once, so only a stuck one makes us wait this long.
constexpr int kWaitMs = 2000;
// What the server buffers ahead of the sink: enough to ride over a busy user-interface thread.
constexpr pa_usec_t kBufferUsec = 500 * PA_USEC_PER_MSEC;

bool pulseSampleFormat(const QAudioFormat& format, pa_sample_spec& sample) {
    switch (format.sampleFormat()) {
    case QAudioFormat::UInt8:
        sample.format = PA_SAMPLE_U8;
        break;
    case QAudioFormat::Int16:
        sample.format = PA_SAMPLE_S16NE;
        break;
    case QAudioFormat::Int32:
        sample.format = PA_SAMPLE_S32NE;
        break;
    case QAudioFormat::Float:
        sample.format = PA_SAMPLE_FLOAT32NE;
        break;
    default:
        return false;
    }
    sample.rate = uint32_t(std::max(0, format.sampleRate()));
    sample.channels = uint8_t(std::clamp(format.channelCount(), 0, 255));
    return pa_sample_spec_valid(&sample) != 0;
}

struct Deadline {
    pa_threaded_mainloop* loop;
    bool passed = false;
};

void onDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* d) {
    auto* deadline = static_cast<Deadline*>(d);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}

void onContextState(pa_context*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

} // namespace

CPulseStream::CPulseStream(pa_threaded_mainloop* loop, std::function<void(Event)> events)
    : m_Loop(loop), m_Events(std::move(events)) {}

CPulseStream::~CPulseStream() {
    pa_threaded_mainloop_lock(m_Loop);
    if (m_Drain) {
        pa_operation_cancel(m_Drain);
        pa_operation_unref(m_Drain);
    }
    if (m_Stream) {
        pa_stream_set_state_callback(m_Stream, nullptr, nullptr);
        if (pa_stream_get_state(m_Stream) == PA_STREAM_READY)
            pa_stream_disconnect(m_Stream);
        pa_stream_unref(m_Stream);
    }
    pa_threaded_mainloop_unlock(m_Loop);
}

void CPulseStream::onState(pa_stream* s, void* self) {
    auto* me = static_cast<CPulseStream*>(self);
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (state == PA_STREAM_READY)
        me->m_WasReady = true;
    else if (state == PA_STREAM_FAILED && me->m_WasReady && me->m_Events)
        me->m_Events(Event::Failed);
    pa_threaded_mainloop_signal(me->m_Loop, 0);
}

void CPulseStream::onDrained(pa_stream*, int success, void* self) {
    auto* me = static_cast<CPulseStream*>(self);
    if (me->m_Drain) {
        pa_operation_unref(me->m_Drain);
        me->m_Drain = nullptr;
    }
    if (success && me->m_Events)
        me->m_Events(Event::Drained);
}

bool CPulseStream::ready() const {
    pa_threaded_mainloop_lock(m_Loop);
    const bool ready = pa_stream_get_state(m_Stream) == PA_STREAM_READY;
    pa_threaded_mainloop_unlock(m_Loop);
    return ready;
}

qint64 CPulseStream::write(const char* data, qint64 size) {
    qint64 taken = -1;
    pa_threaded_mainloop_lock(m_Loop);
    if (pa_stream_get_state(m_Stream) == PA_STREAM_READY) {
        const std::size_t room = pa_stream_writable_size(m_Stream);
        if (room != std::size_t(-1)) {
            std::size_t n = std::min(room, std::size_t(std::max<qint64>(0, size)));
            n -= n % m_FrameBytes;
            if (n == 0)
                taken = 0;
            else if (pa_stream_write(m_Stream, data, n, nullptr, 0, PA_SEEK_RELATIVE) == 0)
                taken = qint64(n);
        }
    }
    pa_threaded_mainloop_unlock(m_Loop);
    return taken;
}

void CPulseStream::drain() {
    pa_threaded_mainloop_lock(m_Loop);
    if (!m_Drain && pa_stream_get_state(m_Stream) == PA_STREAM_READY)
        m_Drain = pa_stream_drain(m_Stream, &CPulseStream::onDrained, this);
    pa_threaded_mainloop_unlock(m_Loop);
}

CPulseOutput::CPulseOutput() = default;

CPulseOutput::~CPulseOutput() {
    if (!m_Loop)
        return;
    pa_threaded_mainloop_lock(m_Loop);
    if (m_Context) {
        pa_context_set_state_callback(m_Context, nullptr, nullptr);
        pa_context_disconnect(m_Context);
        pa_context_unref(m_Context);
    }
    pa_threaded_mainloop_unlock(m_Loop);
    pa_threaded_mainloop_stop(m_Loop);
    pa_threaded_mainloop_free(m_Loop);
}

template <class Settled> void CPulseOutput::waitUntil(Settled settled) {
    if (settled())
        return;
    Deadline deadline{m_Loop};
    struct timeval tv;
    pa_timeval_add(pa_gettimeofday(&tv), pa_usec_t(kWaitMs) * PA_USEC_PER_MSEC);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_Loop);
    pa_time_event* event = api->time_new(api, &tv, onDeadline, &deadline);
    while (!settled() && !deadline.passed)
        pa_threaded_mainloop_wait(m_Loop);
    api->time_free(event);
}

bool CPulseOutput::connectContext() {
    // A failed connection never recovers by itself: drop it and connect again.
    if (!m_Context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_Context))) {
        if (m_Context) {
            pa_context_set_state_callback(m_Context, nullptr, nullptr);
            pa_context_unref(m_Context);
        }
        m_Context = pa_context_new(pa_threaded_mainloop_get_api(m_Loop), "KIV");
        if (!m_Context)
            return false;
        pa_context_set_state_callback(m_Context, onContextState, m_Loop);
        // Never start a server of our own: the user's session decides whether there is one.
        if (pa_context_connect(m_Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            trace("CPulseOutput: cannot connect to the sound server: %s\n",
                  pa_strerror(pa_context_errno(m_Context)));
            return false;
        }
    }
    waitUntil([this] {
        const pa_context_state_t state = pa_context_get_state(m_Context);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    return pa_context_get_state(m_Context) == PA_CONTEXT_READY;
}

std::unique_ptr<CPulseStream> CPulseOutput::open(const QAudioFormat& format,
                                                 std::function<void(CPulseStream::Event)> events) {
    pa_sample_spec sample;
    if (!pulseSampleFormat(format, sample))
        return nullptr;
    if (!m_Loop) {
        m_Loop = pa_threaded_mainloop_new();
        if (!m_Loop)
            return nullptr;
        if (pa_threaded_mainloop_start(m_Loop) < 0) {
            pa_threaded_mainloop_free(m_Loop);
            m_Loop = nullptr;
            return nullptr;
        }
    }
    std::unique_ptr<CPulseStream> stream(new CPulseStream(m_Loop, std::move(events)));
    bool ok = false;
    pa_threaded_mainloop_lock(m_Loop);
    if (connectContext())
        stream->m_Stream = pa_stream_new(m_Context, "KIV", &sample, nullptr);
    if (pa_stream* s = stream->m_Stream) {
        stream->m_FrameBytes = pa_frame_size(&sample);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(pa_usec_to_bytes(kBufferUsec, &sample));
        // Play from the first frame on, however short the sound: no waiting for the buffer to fill.
        attr.prebuf = uint32_t(stream->m_FrameBytes);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        pa_stream_set_state_callback(s, &CPulseStream::onState, stream.get());
        if (pa_stream_connect_playback(s, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) == 0)
            waitUntil([s] { return pa_stream_get_state(s) != PA_STREAM_CREATING; });
        ok = pa_stream_get_state(s) == PA_STREAM_READY;
        if (!ok)
            trace("CPulseOutput: the output stream cannot be opened: %s\n",
                  pa_strerror(pa_context_errno(m_Context)));
    }
    pa_threaded_mainloop_unlock(m_Loop);
    if (!ok)
        return nullptr;
    return stream;
}

bool CPulseOutput::serverAvailable() {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "KIV");
    bool ready = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const pa_usec_t end = pa_rtclock_now() + pa_usec_t(kWaitMs) * PA_USEC_PER_MSEC;
        while (pa_rtclock_now() < end) {
            const pa_context_state_t state = pa_context_get_state(context);
            ready = state == PA_CONTEXT_READY;
            if (ready || !PA_CONTEXT_IS_GOOD(state))
                break;
            if (pa_mainloop_prepare(loop, int(50 * PA_USEC_PER_MSEC)) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}
