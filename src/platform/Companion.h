#pragma once
// The files that come with a program and are found at run time (the AVI module, the command
// line's drawing program): installed in <prefix>/<libdir>/vistrel beside <prefix>/bin, or
// where the build tree made them.

#include <QString>
#include <QStringList>

// Where the companion called name may lie, in the order to try: the environment variable's
// value alone when it is set (its bytes carried as NameFromNative carries them); else <prefix>/<libdir>/vistrel/name seen from the running
// program (whatever the prefix), then the build tree's path.
QStringList CompanionPlaces(const char* variable, const QString& name, const QString& buildPath);
