#pragma once
// The commands of vistrel-cli: each one's name, the options it takes, its help text and
// the routine that runs it. A routine answers the exit status or throws a CliError.

#include <memory>
#include <vector>

#include <QObject>

#include "CliArgs.h"

struct CliCommand {
  const char* name;
  const char* summary;  // one line for the tool's help
  std::vector<OptionSpec> options;
  const char* help;
  int (*run)(const CliArgs& args);
};

const std::vector<CliCommand>& Commands();

int RunFrames(const CliArgs& args);
int RunTelemetry(const CliArgs& args);
int RunEvents(const CliArgs& args);
int RunExportJpeg(const CliArgs& args);
int RunExportMjp(const CliArgs& args);
int RunExportAvi(const CliArgs& args);
int RunPlot(const CliArgs& args);
int RunReport(const CliArgs& args);
// CheckCommands.cpp: whether a recording is intact (check), whether an item came from one (verify).
const CliCommand& CheckCommand();
const CliCommand& VerifyCommand();
// ArchiveCommands.cpp: the archive's index (index, archive), and events answered from it.
const CliCommand& IndexCommand();
const CliCommand& ArchiveCommand();
int RunIndex(const CliArgs& args);
int RunArchive(const CliArgs& args);
int RunEventsFromIndex(const CliArgs& args);

// Shared by the commands that write files.
// What would keep a command from writing out, found before anything is written: a usage
// or failure error naming it.
void CheckOutput(const QString& out, bool force, const QString& recording);
// With --force an existing output is replaced: only an ordinary file, and only when the new
// one is complete (it is written under a temporary name and moved over the old one).
void ReplaceExisting(const QString& out);
// Drawing (plot, report, an export's --overlay) needs QtGui's painter and fonts, which only
// the drawing program, vistrel-cli-draw, links: vistrel-cli itself starts without them.
// A command calls this as soon as it knows it draws (needed true). In vistrel-cli it then
// hands the whole command over: the process becomes the drawing program with the same
// arguments, or a failure says why it cannot. In the drawing program it sets up text
// rendering (offscreen) for as long as the answer is kept. Nothing when not needed.
std::unique_ptr<QObject> StartDrawing(bool needed);
