#include "e2e/E2eSupport.h"

#include "platform/Files.h"

#include <QProcessEnvironment>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/prctl.h>

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

bool KivProcess::start(const QStringList& args) {
    if (!haveDisplay())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(m_Folder.path() + "data"));
    // A temporary folder of its own, so a test sees exactly what this copy leaves there.
    std::filesystem::create_directories(tempFolder());
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tempFolder()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(m_Folder.path() + "config"));
    // Chinese, whatever the language of the shell that runs the tests: the tests find windows by their
    // titles.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_Process.setProcessEnvironment(env);
    m_Process.setProcessChannelMode(QProcess::MergedChannels);
    // The program dies with the test: a test that aborts must not leave a window that takes the next
    // test's keys.
    m_Process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_Process.start(QString::fromStdString(programFolder() + "KIV"), args);
    return m_Process.waitForStarted(5000);
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

bool speak(const std::string& wav) {
    bool ok = false;
    run(QStringLiteral("paplay"),
        {QStringLiteral("-d"), QStringLiteral("nullsink"), QString::fromStdString(wav)}, &ok, 30000);
    return ok;
}
