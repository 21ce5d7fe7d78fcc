#include "barcode/LabelSheets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr qint64 kMaxTemplateBytes = 64 * 1024;
}

bool LoadLabelSheetFile(const QString& path, CLabelSheet* sheet, QString* error) {
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法读取标签页模板 %1").arg(fileName);
        return false;
    }
    const QByteArray text = file.read(kMaxTemplateBytes + 1);
    if (text.size() > kMaxTemplateBytes) {
        if (error)
            *error = QStringLiteral("标签页模板 %1 太大").arg(fileName);
        return false;
    }
    std::string why;
    if (!ParseLabelSheet(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                         fileName.toStdString(), sheet, &why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    return true;
}

std::vector<CLabelSheet> LoadLabelSheets(const QString& folder, QStringList* errors) {
    std::vector<CLabelSheet> sheets;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.sheet")}, QDir::Files, QDir::Name)) {
        CLabelSheet sheet;
        QString error;
        if (LoadLabelSheetFile(dir.filePath(name), &sheet, &error))
            sheets.push_back(std::move(sheet));
        else if (errors)
            errors->append(error);
    }
    return sheets;
}

const std::vector<CLabelSheet>& ShippedLabelSheets() {
    static const std::vector<CLabelSheet> sheets = LoadLabelSheets(QStringLiteral(":/labels"));
    return sheets;
}

const CLabelSheet* FindLabelSheet(const QString& name) {
    for (const CLabelSheet& sheet : ShippedLabelSheets())
        if (QString::fromStdString(sheet.name) == name)
            return &sheet;
    return nullptr;
}
