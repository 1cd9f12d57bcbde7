#pragma once
// A walk over several recordings in one run: the files and folders named on the command
// line (folders searched recursively for .mjp files), worked on in parallel, their output
// printed in a fixed order: the order of the arguments, then of names. A recording that
// cannot be read gives its one error line and the run goes on.

#include <functional>
#include <string>

#include <QStringList>

// The recordings the words name: a file as given, a folder's .mjp / .MJP files (any depth)
// in name order. A word naming nothing stands as given, so that its walk says why.
QStringList RecordingsNamed(const QStringList& words);

// Runs work(path, out) for each recording on up to `jobs` threads and prints each one's
// output to stdout (or its failure, one line to stderr) in order. Answers the exit status:
// 0 when every recording was walked, 1 otherwise.
int RunEach(const QStringList& recordings, int jobs, const std::function<void(const QString&, std::string&)>& work);
