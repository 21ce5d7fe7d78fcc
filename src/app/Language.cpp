#include "app/Language.h"

#include "app/UserSettings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
const QString kKey = QStringLiteral("Language");

void install(const QString& file, const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(file, folder))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
} // namespace

QString ChosenLanguage() {
    const QString chosen = userSettings().value(kKey).toString();
    return chosen == QLatin1String("zh_CN") || chosen == QLatin1String("en") ? chosen : QString();
}

void SetChosenLanguage(const QString& language) {
    QSettings settings = userSettings();
    if (language.isEmpty())
        settings.remove(kKey);
    else
        settings.setValue(kKey, language);
}

bool InterfaceInEnglish() {
    const QString chosen = ChosenLanguage();
    if (!chosen.isEmpty())
        return chosen == QLatin1String("en");
    return QLocale::system().language() == QLocale::English;
}

void InstallTranslations() {
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (InterfaceInEnglish()) {
        // Qt's own texts are English already.
        install(QStringLiteral("kiv_en"), QStringLiteral(":/i18n"));
        return;
    }
    install(QStringLiteral("qtbase_zh_CN"), qtFolder);
    install(QStringLiteral("qtmultimedia_zh_CN"), qtFolder);
}
