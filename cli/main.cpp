// vistrel-cli: the viewer's core for batch work, without a window.

#include <cstdio>
#include <exception>

#include "CliError.h"
#include "Commands.h"
#include "OutputText.h"
#include "platform/FileSizeLimit.h"

namespace {

void printToolHelp() {
  std::fputs(
      "usage: vistrel-cli COMMAND FILE [options]\n"
      "       vistrel-cli COMMAND --help\n"
      "       vistrel-cli --help | --version\n\n"
      "Reads an MJP recording with the viewer's own core, without a window.\n\n"
      "Commands:\n",
      stdout);
  for (const CliCommand& c : Commands()) std::printf("  %-12s %s\n", c.name, c.summary);
  std::fputs(
      "\nAfter --, every word is a file: vistrel-cli frames -- -odd-name.mjp\n"
      "\nExit status: 0 done; 1 failed (one line on stderr names the file and what went wrong);\n"
      "2 the command line is wrong. An existing output file is replaced only with --force.\n",
      stdout);
}

const CliCommand* commandNamed(const std::string& name) {
  for (const CliCommand& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) throw CliError::Usage(QStringLiteral("no command given (see --help)"));
  if (args[0] == "--help" || args[0] == "-h") {
    printToolHelp();
    return kExitDone;
  }
  if (args[0] == "--version") {
    std::puts("vistrel-cli " VISTREL_VERSION);
    return kExitDone;
  }
  const CliCommand* command = commandNamed(args[0]);
  if (!command)
    throw CliError::Usage(QStringLiteral("unknown command '%1' (see --help)").arg(QString::fromStdString(args[0])));
  const CliArgs parsed(command->options, {args.begin() + 1, args.end()});
  if (parsed.help()) {
    std::fputs(command->help, stdout);
    return kExitDone;
  }
  return command->run(parsed);
}

}  // namespace

int main(int argc, char** argv) {
  KeepProgramArguments(argv);
  FailWritesPastFileSizeLimit();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const char* command = args.empty() || !commandNamed(args[0]) ? nullptr : argv[1];
  try {
    return run(args);
  } catch (const CliError& e) {
    if (e.exitCode() == kExitUsage && command) {
      std::fprintf(stderr, "vistrel-cli %s: %s (see --help)\n", command, OneLine(e.what()).c_str());
    } else {
      std::fprintf(stderr, "vistrel-cli: %s\n", OneLine(e.what()).c_str());
    }
    return e.exitCode();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vistrel-cli: %s\n", OneLine(e.what()).c_str());
    return kExitFailed;
  } catch (...) {
    std::fputs("vistrel-cli: unexpected error\n", stderr);
    return kExitFailed;
  }
}
