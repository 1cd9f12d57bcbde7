#pragma once
// What the window keeps between runs, in the user's own settings file
// ($XDG_CONFIG_HOME/vistrel/vistrel.conf): the folders its file dialogs last used, and
// whether exports carry the camera's data on their pictures, the limit and the archive's index.

#include <QString>

namespace Remembered {

// The folder of the recording last opened (by the dialog or a drop); empty at first.
QString OpenFolder();
void SetOpenFolder(const QString& fileInIt);
// The folder of the export last saved; empty at first.
QString SaveFolder();
void SetSaveFolder(const QString& fileInIt);

// The save options' "Nanieś dane kamery na obraz"; off at first.
bool Overlay();
void SetOverlay(bool on);

// The loupe's smooth scaling (S); off at first: the camera's own pixels.
bool SmoothZoom();
void SetSmoothZoom(bool on);

// The speed limit of the overview and the archive (one for both), km/h; 50 at first.
int OverviewLimit();
void SetOverviewLimit(int kmh);

// The archive's index as set in its window (a file or a postgresql:// URL); empty at first:
// the default one.
QString ArchiveIndex();
void SetArchiveIndex(const QString& location);

// A dialog's proposed name placed in folder when it names no folder of its own.
QString InFolder(const QString& folder, const QString& name);

// The settings file (tests start from none).
QString SettingsPath();

}  // namespace Remembered
