#pragma once
// The "open a file" prompt that types itself in the file label while no
// recording is open: one more character per tick, then empty, then again.

#include <QString>

inline const QString kPromptText = QStringLiteral("Otwórz jakiś plik ...");

// The caption after one tick. Only the current caption's length counts.
QString PromptTick(const QString& caption);
