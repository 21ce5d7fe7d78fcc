#include "e2e/E2eSupport.h"

#include "platform/Files.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/prctl.h>

QString run(const QString& program, const QStringList& args, bool* ok, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    bool done = p.waitForFinished(timeoutMs);
    if (ok)
        *ok = done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool haveDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

KivProcess::KivProcess() {
    // The test binary lives in <build>/tests/, the program in <build>/.
    const char* bin = std::getenv("KIV_BINARY_DIR");
    const std::string buildDir =
        bin ? std::string(bin) : std::filesystem::path(executablePath()).parent_path().parent_path().string();
    std::filesystem::create_directories(programFolder());
    std::filesystem::copy_file(buildDir + "/KIV", programFolder() + "KIV");
}

KivProcess::~KivProcess() {
    if (m_Process.state() != QProcess::NotRunning) {
        m_Process.kill();
        m_Process.waitForFinished(5000);
    }
}

bool KivProcess::start() {
    if (!haveDisplay())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(m_Folder.path() + "data"));
    // A temporary folder of its own, so a test sees exactly what this copy leaves there.
    std::filesystem::create_directories(tempFolder());
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tempFolder()));
    m_Process.setProcessEnvironment(env);
    m_Process.setProcessChannelMode(QProcess::MergedChannels);
    // The program dies with the test: a test that aborts must not leave a window that takes the next
    // test's keys.
    m_Process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_Process.start(QString::fromStdString(programFolder() + "KIV"), {});
    return m_Process.waitForStarted(5000);
}

QString KivProcess::waitForWindow(const QString& title, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        bool ok = false;
        QString ids =
            run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QStringLiteral("^%1$").arg(QRegularExpression::escape(title))},
                &ok);
        if (ok && !ids.isEmpty())
            return ids.split(u'\n').first();
        QThread::msleep(100);
    }
    return {};
}

bool KivProcess::key(const QString& window, const QString& keys) {
    bool ok = false;
    run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, &ok);
    if (!ok)
        return false;
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30")};
    args << keys.split(u' ');
    run(QStringLiteral("xdotool"), args, &ok);
    return ok;
}

int KivProcess::waitForExit(int timeoutMs) {
    if (!m_Process.waitForFinished(timeoutMs))
        return -1;
    return m_Process.exitStatus() == QProcess::NormalExit ? m_Process.exitCode() : -2;
}

void KivProcess::terminate() {
    if (m_Process.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(m_Process.processId()), SIGTERM);
}

QString KivProcess::output() {
    return QString::fromUtf8(m_Process.readAll());
}
