#pragma once
// One command's arguments: the recording (the one word that is not an option) and
// options given as "--name value", "--name=value" or bare flags; "--" ends the options. It knows
// which options a command takes and throws a usage error for anything else, or a bad --power-on.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct OptionSpec {
  const char* name;  // with its dashes: "--from", "-o"
  bool takesValue;
};

class CliArgs {
 public:
  CliArgs(const std::vector<OptionSpec>& accepted, const std::vector<std::string>& args);

  bool help() const { return help_; }
  // The recording (its bytes as NameFromNative carries them); a usage error when none or more
  // than one was given.
  const QString& file() const;
  // The recordings, files or folders (walk commands); a usage error when none was given.
  const QStringList& files() const;
  bool flag(const char* name) const { return flags_.count(name) != 0; }
  std::optional<QString> value(const char* name) const;
  // The option's value; a usage error when it is missing.
  QString required(const char* name) const;

  // --power-on HH:MM as the time dialog stores it: minutes after midnight (none or 00:00
  // is 0, which means time since power-on, as in the dialog). A bad one was a usage error
  // when the arguments were read.
  std::int16_t powerOnMinutes() const { return powerOn_; }
  // --jobs N: how many recordings are worked on at once (1-256); the number of cores by default.
  int jobs() const;

  // An option's value as a whole number in [min, max]; a usage error otherwise.
  static std::int64_t Number(const char* name, const QString& text, std::int64_t min, std::int64_t max);

 private:
  std::map<std::string, QString> values_;
  std::set<std::string> flags_;
  QStringList files_;
  std::int16_t powerOn_ = 0;
  bool help_ = false;
};

// The arguments main was given (argv, ending in a null pointer), for handing a command over
// to another program.
void KeepProgramArguments(char** argv);
char** ProgramArguments();
