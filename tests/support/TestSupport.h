#pragma once
// Helpers shared by the test binaries and the benchmarks.
#include "platform/core/MessageBox.h"
#include "platform/core/Messages.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Records every message box while it lives and answers each from a queue (IDOK/IDYES... in order), or with
// the fallback answer when the queue is empty.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int fallback = IDOK);
    ~MessageBoxRecorder();
    void answer(int id) { m_Answers.push_back(id); }
    const std::vector<MessageBoxCall>& calls() const { return m_Calls; }
    std::size_t count() const { return m_Calls.size(); }
    const MessageBoxCall& last() const { return m_Calls.back(); }
    void clear() { m_Calls.clear(); }

private:
    std::vector<MessageBoxCall> m_Calls;
    std::deque<int> m_Answers;
    int m_Fallback;
    MessageBoxResponder m_Previous;
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return m_Path; } // ends in '/'
    std::string file(const std::string& name) const { return m_Path + name; }

private:
    std::string m_Path;
};

// Makes a folder read-only for as long as it lives, as a book on a CD or a locked USB stick is (a bind
// mount remounted read-only: root ignores permission bits). ok() is false when mounting is not allowed.
class ReadOnlyMount {
public:
    explicit ReadOnlyMount(const std::string& folder);
    ~ReadOnlyMount();
    bool ok() const { return m_Mounted; }

private:
    std::string m_Folder;
    bool m_Mounted = false;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);

// UTF-8 source text as the GBK bytes the program stores.
std::string gbk(const char* utf8);

// Runs the event loop until done() holds or ms milliseconds have passed; whether it holds.
bool waitUntil(const std::function<bool()>& done, int ms = 5000);
// Runs the event loop for ms milliseconds (for measurements that must let time pass).
void pump(int ms);
// A monotonic clock in nanoseconds.
qint64 nowNs();
// This process's resident memory in KiB (VmRSS), or -1.
long residentKiB();

// What a program run to its end left: its exit code (-1 when it crashed or ran out of time), what it wrote
// on standard output and on standard error.
struct ProcessRun {
    int exitCode = -1;
    QString out, err;
    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};
struct ProcessOptions {
    QByteArray input;       // written to its standard input, which is then closed
    QStringList env;        // NAME=VALUE, over this process's environment
    QString folder;         // where it runs; empty: here
    int timeoutMs = 120000; // then it is killed
};
// The one way the tests run a program.
ProcessRun runProcess(const QString& program, const QStringList& args, const ProcessOptions& options = {});
// Runs a program to its end and returns its standard output (trimmed); *ok tells whether it exited 0 in time.
QString run(const QString& program, const QStringList& args, bool* ok = nullptr, int timeoutMs = 15000);

// A receiver that keeps every message it gets.
class RecordingReceiver : public CMessageReceiver {
public:
    struct Msg {
        unsigned message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Msg> messages;

protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM l) override {
        messages.push_back({msg, w, l});
        return 0;
    }
};
