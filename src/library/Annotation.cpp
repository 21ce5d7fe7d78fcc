#include "library/Annotation.h"

#include "library/SoundRecord.h"
#include "platform/core/Gbk.h"

#include <QCollator>

std::string AnnotationFromText(const QString& text, bool* replaced) {
    QString flat = text;
    for (QChar& c : flat)
        if (c == u'\r' || c == u'\n' || c == u'\t' || c == u'\v' || c == u'\f')
            c = u' ';
    flat = flat.trimmed();
    bool ok = true;
    std::string gbk = toGbk(flat, &ok);
    if (replaced)
        *replaced = !ok;
    return std::string(CutGbk(gbk, kContentLimit));
}

bool NaturalLess(const QString& a, const QString& b) {
    // One collator per thread: building one costs more than a thousand comparisons.
    thread_local const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Chinese, QLocale::China)};
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}
