#include "support/XDoTool.h"

#include "support/TestSupport.h"

#include <QRegularExpression>
#include <cstdlib>

bool haveDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

QString xdotool(const QStringList& args, bool* ok) {
    return run(QStringLiteral("xdotool"), args, ok);
}

namespace {
QString visibleWindow(const QString& title) {
    bool ok = false;
    const QString ids =
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QStringLiteral("^%1( - .*)?$").arg(QRegularExpression::escape(title))},
                &ok);
    return ok && !ids.isEmpty() ? ids.split(u'\n').first() : QString();
}
} // namespace

QString waitForWindow(const QString& title, int timeoutMs) {
    QString id;
    waitUntil([&] { return !(id = visibleWindow(title)).isEmpty(); }, timeoutMs);
    return id;
}

bool windowGone(const QString& title, int timeoutMs) {
    return waitUntil([&] { return visibleWindow(title).isEmpty(); }, timeoutMs);
}

QString focusedWindow() {
    return xdotool({QStringLiteral("getwindowfocus")});
}

QSize windowSize(const QString& window) {
    int w = 0, h = 0;
    for (const QString& line :
         xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).split(u'\n')) {
        if (line.startsWith(QLatin1String("WIDTH=")))
            w = line.mid(6).toInt();
        if (line.startsWith(QLatin1String("HEIGHT=")))
            h = line.mid(7).toInt();
    }
    return {w, h};
}

void click(const QString& window, int x, int y, int button) {
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y), QStringLiteral("click"), QString::number(button)});
}

void clickFromCorner(const QString& window, int dx, int dy) {
    const QSize s = windowSize(window);
    click(window, s.width() - dx, s.height() - dy);
}

bool sendKeys(const QString& window, const QString& keys, int delayMs, bool shift) {
    bool ok = false;
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, &ok);
    if (!ok)
        return false;
    if (shift)
        xdotool({QStringLiteral("keydown"), QStringLiteral("shift")});
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(delayMs)};
    args << keys.split(u' ');
    xdotool(args, &ok);
    if (shift)
        xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
    return ok;
}

ShiftReleased::~ShiftReleased() {
    xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
}

CLiveXdoTool::CLiveXdoTool() {
    m_Process.start(QStringLiteral("xdotool"), {QStringLiteral("-")});
    // It reads a line at a time: the echo it starts answers once it has taken its first command.
    m_Process.write("exec echo ready\n");
    m_Ready =
        m_Process.waitForStarted(5000) &&
        waitUntil([&] { return m_Process.waitForReadyRead(100) || m_Process.bytesAvailable() > 0; }, 5000);
}

CLiveXdoTool::~CLiveXdoTool() {
    m_Process.closeWriteChannel();
    if (!m_Process.waitForFinished(3000))
        m_Process.kill();
}

qint64 CLiveXdoTool::key(const QString& name) {
    const QByteArray line = QStringLiteral("key %1\n").arg(name).toUtf8();
    const qint64 sent = nowNs();
    m_Process.write(line);
    m_Process.waitForBytesWritten(1000);
    return sent;
}
