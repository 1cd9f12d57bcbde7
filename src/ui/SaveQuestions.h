#pragma once
// The questions every save in the window asks: the name, then whether to replace a file.

#include <QString>

// The save dialog with a preset name and a "desc|pattern|…" filter, in the folder last
// saved to; empty = cancelled.
QString AskSaveName(const QString& presetName, const QString& filter);

// The overwrite rule of the save dialogs: an existing ordinary file is replaced only
// when the user says so. False when the user said No or the old file stays.
bool ConfirmReplace(const QString& path);
