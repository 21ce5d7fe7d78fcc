#pragma once
// Whether sounds are made ready (their silence trimmed, their loudness evened out) when they are played and
// filed: two switches kept per user in KIV.conf, both on unless turned off. Never in KIV.ini: the copies
// on Windows read that file.
#include "platform/soundfile/SoundLevel.h"

ReadyChoice SavedReadyChoice();
// Keeps the choice and makes it this run's (g_ReadyChoice).
void SaveReadyChoice(ReadyChoice choice);
// Makes the kept choice this run's; called at start-up.
void LoadReadyChoice();
