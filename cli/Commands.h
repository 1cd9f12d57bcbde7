#pragma once
// The commands of vistrel-cli: each one's name, the options it takes, its help text and
// the routine that runs it. A routine answers the exit status or throws a CliError.

#include <vector>

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
