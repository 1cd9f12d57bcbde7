#pragma once
// How a command ends early: the one line for stderr and the exit status it means.
// Thrown by the commands, caught once in main; nothing else is thrown across them.

#include <QString>
#include <stdexcept>
#include <string>

#include "platform/NativeName.h"

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // the command was right, the world was not
inline constexpr int kExitUsage = 2;   // the command line was wrong

class CliError : public std::runtime_error {
 public:
  // what() holds the line's bytes: a file name exactly as the system has it.
  CliError(int exitCode, const QString& line)
      : std::runtime_error(NativeName(line).toStdString()), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

  // A usage error, "<what>" as said after the command's name.
  static CliError Usage(const QString& what) { return {kExitUsage, what}; }
  // A failure about one file: "<file>: <what went wrong>".
  static CliError Failure(const QString& file, const QString& what) { return {kExitFailed, file + ": " + what}; }

 private:
  int exitCode_;
};
