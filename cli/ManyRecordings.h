#pragma once
// A walk over several recordings in one run: the files and folders named on the command
// line (folders searched at any depth for .mjp files, by the names' bytes, links followed),
// worked on in parallel, their output printed in a fixed order: the order of the arguments,
// then the names' natural order. What cannot be read gives its one error line; the run goes on.

#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "archive/RecordingList.h"

// One step of a run: a recording to walk, or a folder that could not be searched.
struct RunItem {
  QString path;     // as named, or as found under a named folder (bytes as NameFromNative carries them)
  QString failure;  // why the folder could not be searched; empty for a recording
};

// What the words name: a file as given; a folder's .mjp / .MJP files at any depth, each
// folder's entries in natural order, a folder reached twice (a link loop) searched once, and
// in its place each folder that could not be searched. A word naming nothing stands as given,
// so that its walk says why.
std::vector<RunItem> RecordingsNamed(const QStringList& words);

// Runs work(path, out) for each recording on up to `jobs` threads and prints each one's
// output to stdout (or its failure, one line to stderr) in order. Answers the exit status:
// 0 when every recording was walked and every folder searched, 1 otherwise.
int RunEach(const std::vector<RunItem>& items, int jobs, const std::function<void(const QString&, std::string&)>& work);
