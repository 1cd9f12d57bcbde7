#include "CliArgs.h"

#include <algorithm>
#include <thread>

#include <QRegularExpression>

#include "CliError.h"
#include "platform/NativeName.h"

namespace {

const OptionSpec* find(const std::vector<OptionSpec>& accepted, const std::string& name) {
  const auto it = std::find_if(accepted.begin(), accepted.end(), [&](const OptionSpec& o) { return name == o.name; });
  return it == accepted.end() ? nullptr : &*it;
}

// --power-on HH:MM as minutes after midnight; a usage error otherwise.
std::int16_t minutesOfDay(const QString& text) {
  static const QRegularExpression kTime(QStringLiteral("^([01]?[0-9]|2[0-3]):([0-5][0-9])$"));
  const QRegularExpressionMatch m = kTime.match(text);
  if (!m.hasMatch())
    throw CliError::Usage(QStringLiteral("--power-on must be HH:MM from 00:00 to 23:59, not '%1'").arg(text));
  return static_cast<std::int16_t>(m.captured(1).toInt() * 60 + m.captured(2).toInt());
}

}  // namespace

CliArgs::CliArgs(const std::vector<OptionSpec>& accepted, const std::vector<std::string>& args) {
  bool optionsEnded = false;  // after "--" every word is a file
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      files_ << NameFromNative(QByteArray::fromStdString(arg));  // the name's bytes, all of them
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      help_ = true;
      return;  // help is shown whatever else the line holds
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const OptionSpec* spec = find(accepted, name);
    if (!spec) throw CliError::Usage(QStringLiteral("unknown option %1").arg(QString::fromStdString(name)));
    if (!spec->takesValue) {
      if (eq != std::string::npos) throw CliError::Usage(QStringLiteral("option %1 takes no value").arg(spec->name));
      flags_.insert(name);
      continue;
    }
    if (eq == std::string::npos && i + 1 >= args.size())
      throw CliError::Usage(QStringLiteral("option %1 needs a value").arg(spec->name));
    values_[name] = QString::fromLocal8Bit(eq == std::string::npos ? args[++i].c_str() : arg.c_str() + eq + 1);
  }
  // Checked with the command line, before a command prints anything.
  if (const auto text = value("--power-on")) powerOn_ = minutesOfDay(*text);
}

const QString& CliArgs::file() const {
  if (files_.size() > 1) throw CliError::Usage(QStringLiteral("unexpected argument '%1'").arg(files_[1]));
  return files().front();
}

const QStringList& CliArgs::files() const {
  if (files_.isEmpty()) throw CliError::Usage(QStringLiteral("no recording given"));
  return files_;
}

std::optional<QString> CliArgs::value(const char* name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

QString CliArgs::required(const char* name) const {
  if (auto v = value(name)) return *v;
  throw CliError::Usage(QStringLiteral("%1 is required").arg(name));
}

std::int64_t CliArgs::Number(const char* name, const QString& text, std::int64_t min, std::int64_t max) {
  bool ok = false;
  const qlonglong n = text.toLongLong(&ok);
  if (!ok || n < min || n > max)
    throw CliError::Usage(
        QStringLiteral("%1 must be a whole number from %2 to %3, not '%4'").arg(name).arg(min).arg(max).arg(text));
  return n;
}

namespace {
char** programArguments = nullptr;
}  // namespace

void KeepProgramArguments(char** argv) { programArguments = argv; }
char** ProgramArguments() { return programArguments; }

int CliArgs::jobs() const {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return static_cast<int>(Number("--jobs", value("--jobs").value_or(QString::number(cores)), 1, 256));
}
