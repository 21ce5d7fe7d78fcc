#include "platform/core/Strings.h"

#include <QFile>

QString loadString(int id) {
    QFile f(QStringLiteral(":/strings.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString prefix = QString::number(id) + u' ';
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    return {};
}
