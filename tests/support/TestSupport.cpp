#include "support/TestSupport.h"

#include "platform/core/Gbk.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

MessageBoxRecorder::MessageBoxRecorder(int fallback) : m_Fallback(fallback) {
    m_Previous = setMessageBoxResponder([this](const MessageBoxCall& call) {
        m_Calls.push_back(call);
        if (m_Answers.empty())
            return m_Fallback;
        int a = m_Answers.front();
        m_Answers.pop_front();
        return a;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    setMessageBoxResponder(std::move(m_Previous));
}

TempFolder::TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kiv-test-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    m_Path = std::string(made ? made : tmpl.c_str()) + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_Path, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

std::string gbk(const char* utf8) {
    return toGbk(QString::fromUtf8(utf8));
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (done())
            return true;
        if (t.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Posted events are handled above; the sleep only keeps a poll of another process from spinning.
        QThread::msleep(5);
    }
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = -1;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

ProcessRun runProcess(const QString& program, const QStringList& args, const ProcessOptions& options) {
    QProcess p;
    if (!options.env.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& e : options.env)
            env.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
        p.setProcessEnvironment(env);
    }
    if (!options.folder.isEmpty())
        p.setWorkingDirectory(options.folder);
    p.start(program, args);
    if (!options.input.isEmpty() && p.waitForStarted(options.timeoutMs))
        p.write(options.input);
    p.closeWriteChannel();
    const bool done = p.waitForFinished(options.timeoutMs);
    if (!done && p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(1000);
    }
    ProcessRun result;
    result.exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = QString::fromUtf8(p.readAllStandardOutput());
    result.err = QString::fromUtf8(p.readAllStandardError());
    return result;
}

QString run(const QString& program, const QStringList& args, bool* ok, int timeoutMs) {
    ProcessOptions options;
    options.timeoutMs = timeoutMs;
    const ProcessRun r = runProcess(program, args, options);
    if (ok)
        *ok = r.exitCode == 0;
    return r.out.trimmed();
}
ReadOnlyMount::ReadOnlyMount(const std::string& folder) : m_Folder(folder) {
    const std::string quoted = "'" + folder + "'";
    if (std::system(("mount --bind " + quoted + " " + quoted + " 2>/dev/null").c_str()) != 0)
        return;
    m_Mounted = true;
    if (std::system(("mount -o remount,ro,bind " + quoted + " 2>/dev/null").c_str()) != 0) {
        int rc = std::system(("umount " + quoted).c_str());
        (void)rc;
        m_Mounted = false;
    }
}

ReadOnlyMount::~ReadOnlyMount() {
    if (m_Mounted) {
        // Lazily: a program still running from the folder must not keep it mounted.
        int rc = std::system(("umount -l '" + m_Folder + "'").c_str());
        (void)rc;
    }
}
