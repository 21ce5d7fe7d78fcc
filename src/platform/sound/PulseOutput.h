#pragma once
// Playback streams on the sound server over a connection of our own. A connection that the server dropped
// stays dropped, so each new stream first checks it and connects afresh when it has failed: the program
// plays again as soon as the server is back. Every call is made from one thread; only the events handler of
// a stream runs on the connection's own thread, and it must only hand the event on.
#include <QAudioFormat>
#include <QtGlobal>
#include <functional>
#include <memory>

struct pa_context;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;

class CPulseOutput;

class CPulseStream {
public:
    enum class Event {
        Failed,  // the server dropped the stream, or the connection broke
        Drained, // everything written has been played, after drain()
    };
    // Drops the stream, and with it what the server still holds of it.
    ~CPulseStream();
    CPulseStream(const CPulseStream&) = delete;
    CPulseStream& operator=(const CPulseStream&) = delete;

    bool ready() const;
    // Hands over what the stream takes now, in whole frames: the bytes taken, or -1 when the stream failed.
    qint64 write(const char* data, qint64 size);
    // Asks for Drained once the server has played everything written so far.
    void drain();

private:
    friend class CPulseOutput;
    CPulseStream(pa_threaded_mainloop* loop, std::function<void(Event)> events);
    static void onState(pa_stream* s, void* self);
    static void onDrained(pa_stream* s, int success, void* self);

    pa_threaded_mainloop* m_Loop;
    pa_stream* m_Stream = nullptr;
    pa_operation* m_Drain = nullptr;
    std::function<void(Event)> m_Events;
    bool m_WasReady = false;
    std::size_t m_FrameBytes = 1;
};

class CPulseOutput {
public:
    CPulseOutput();
    // Every stream opened here must be gone before.
    ~CPulseOutput();
    CPulseOutput(const CPulseOutput&) = delete;
    CPulseOutput& operator=(const CPulseOutput&) = delete;

    // A playback stream on the default output, ready to take sound; null when the server cannot be reached
    // or refuses the format. Waits for the server at most a moment.
    std::unique_ptr<CPulseStream> open(const QAudioFormat& format,
                                       std::function<void(CPulseStream::Event)> events);

    // True when a sound server answers.
    static bool serverAvailable();

private:
    bool connectContext();
    // Waits, the lock held, until settled() or the time is up.
    template <class Settled> void waitUntil(Settled settled);

    pa_threaded_mainloop* m_Loop = nullptr;
    pa_context* m_Context = nullptr;
};
