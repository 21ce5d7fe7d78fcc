#include "app/SoundChoices.h"

#include "app/UserSettings.h"

namespace {
const QString kTrimKey = QStringLiteral("Sound/TrimSilence");
const QString kLevelKey = QStringLiteral("Sound/EvenLoudness");
} // namespace

ReadyChoice SavedReadyChoice() {
    const QSettings settings = userSettings();
    return ReadyChoice{settings.value(kTrimKey, true).toBool(), settings.value(kLevelKey, true).toBool()};
}

void SaveReadyChoice(ReadyChoice choice) {
    QSettings settings = userSettings();
    settings.setValue(kTrimKey, choice.trim);
    settings.setValue(kLevelKey, choice.level);
    g_ReadyChoice = choice;
}

void LoadReadyChoice() {
    g_ReadyChoice = SavedReadyChoice();
}
