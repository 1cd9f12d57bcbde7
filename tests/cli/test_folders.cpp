// Folder runs over names as a camera stick has them: bytes that are not UTF-8, control characters,
// links, loops, folders the user may not read; CSV cells a spreadsheet would take for formulas.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "support/FileContents.h"
#include "support/QtPrinters.h"

// Bytes in failure messages as text, escapes shown.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
  *os << '"' << bytes.toPercentEncoding(" /,:{}\"'=+@").toStdString() << '"';
}

namespace {

struct Outcome {
  int code;  // the exit status; 126 when the tool could not be run as an ordinary user, -1 when killed
  QByteArray out, err;
};

enum class Stdout { File, Terminal };

// vistrel-cli with exactly these argument bytes, started in folder `cwd`, as an ordinary user where
// `ordinary` (nobody, when the tests run as root), its standard output a file or a terminal.
Outcome runCli(const QByteArray& cwd, const std::vector<QByteArray>& args, bool ordinary = false,
               Stdout stdoutTo = Stdout::File) {
  QTemporaryDir io;
  const QByteArray outPath = QFile::encodeName(io.filePath("out")), errPath = QFile::encodeName(io.filePath("err"));
  std::vector<QByteArray> words{VISTREL_CLI};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (QByteArray& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int master = -1, slave = -1;
  if (stdoutTo == Stdout::Terminal && ::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {-2, {}, {}};

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = slave >= 0 ? slave : ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(cwd.constData()) != 0) ::_exit(125);
    constexpr gid_t kNobody = 65534;
    if (ordinary && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
      ::_exit(126);
    ::alarm(120);  // never a hung test: the alarm outlives the exec
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (slave >= 0) ::close(slave);
  int status = 0;
  ::waitpid(pid, &status, 0);
  Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, BytesOf(io.filePath("out")), BytesOf(io.filePath("err"))};
  if (master >= 0) {
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) r.out.append(buffer, n);
    ::close(master);
  }
  return r;
}

// A JSON or CSV name back to its bytes: \xHH is a byte, \\ a backslash.
QByteArray nameBytes(const QString& shown) {
  const QByteArray text = shown.toUtf8();
  QByteArray bytes;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && text.mid(i + 1, 1) == "x") {
      bytes += static_cast<char>(text.mid(i + 2, 2).toInt(nullptr, 16));
      i += 3;
    } else {
      bytes += text[i];
      if (text[i] == '\\') ++i;  // the second of a doubled backslash
    }
  }
  return bytes;
}

class Folders : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    ::chmod(root().constData(), 0755);  // an ordinary user's run goes through it
    for (const char* folder : {"tree", "tree/locked", "tree/sub\xb3", "other", "ctrl", "formula"})
      ::mkdir(at(folder).constData(), 0755);
    for (const char* name : {"tree/cam2.mjp", "tree/cam10.mjp", "tree/pr\xb3\x61t.mjp", "tree/sub\xb3/inner.mjp",
                             "tree/back\\slash.mjp", "tree/locked/x.mjp", "other/linked.mjp", "-odd.mjp", "locked.mjp",
                             "ctrl/bell\a.mjp", "ctrl/new\nline.mjp", "formula/+x.mjp", "formula/-y.mjp",
                             "formula/@at,x.mjp", "formula/'q.mjp", "formula/\ttab.mjp", "formula/plain.mjp"})
      recgen::WriteRecording(at(name).toStdString(), small("CAM-0417-A02"));
    recgen::WriteRecording(at("formula/=cmd.mjp").toStdString(), small("=1+2-CAM0417"));
    recgen::WriteRecording(at("ctrl/esc\x1b[31m.mjp").toStdString(), small("CAM\x1b[31mRED1"));
    WriteFile(QFile::decodeName(at("tree/notes.txt")), {});
    ::symlink("../other", at("tree/link").constData());
    ::symlink(".", at("tree/loop").constData());  // the folder itself, again and again
    ::symlink("nowhere", at("tree/dangling").constData());
    for (const char* locked : {"tree/locked", "locked.mjp"}) ::chmod(at(locked).constData(), 0);
  }
  static void TearDownTestSuite() {
    ::chmod(at("tree/locked").constData(), 0755);
    delete dir;
  }
  static QByteArray root() { return QFile::encodeName(dir->path()); }
  static QByteArray at(const char* name) { return root() + '/' + name; }
  static recgen::Options small(const char* ident) {
    return {.seed = 3, .frames = 2, .width = 32, .height = 24, .ident = ident};
  }
  static inline QTemporaryDir* dir;
};

// Names as their bytes, in natural order within a folder; a linked folder is searched, a link back to
// a folder already searched is not; a folder or a recording the user may not read gives its one line and status 1.
TEST_F(Folders, AFolderIsSearchedByTheBytesOfItsNames) {
  const QByteArray event = ",1,1,001:00:00,001:00:00,0,1\n";
  const QByteArray json = R"(","first":1,"last":1,"first_time":"001:00:00","last_time":"001:00:00","peak_kmh":0,)"
                          R"("peak_frame":1})"
                          "\n";
  const QByteArray denied = "vistrel-cli: tree/locked: permission denied\n";
  const QByteArray found[] = {R"(tree/back\\slash.mjp)", "tree/cam2.mjp",        "tree/cam10.mjp",
                              "tree/link/linked.mjp",    R"(tree/pr\xb3at.mjp)", R"(tree/sub\xb3/inner.mjp)"};
  const QByteArray header = "file,first,last,first_time,last_time,peak_kmh,peak_frame\n";
  QByteArray csv = header, lines;
  for (const QByteArray& name : found) {
    csv += name + event;
    lines += R"({"file":")" + QByteArray(name).replace("\\", "\\\\") + json;
  }
  const QByteArray table = QByteArray("== tree/sub\xb3/inner.mjp\n") + "  frame    position  ident";
  const std::tuple<std::vector<QByteArray>, int, QByteArray, QByteArray> cases[] = {
      // arguments, status, stdout (a table: its start), stderr
      {{"events", "tree", "--over", "0", "--csv"}, 1, csv, denied},
      {{"events", "tree/", "--over", "0", "--jobs", "1"}, 1, lines, denied},
      {{"telemetry", "tree/sub\xb3", "tree/pr\xb3\x61t.mjp"}, 0, table, ""},
      {{"events", "--over", "0", "--csv", "--", "-odd.mjp"}, 0, header + "'-odd.mjp" + event, ""},
      {{"frames", "locked.mjp"}, 1, "", "vistrel-cli: locked.mjp: permission denied\n"},
  };
  for (const auto& [args, code, out, err] : cases) {
    SCOPED_TRACE(args[1].toStdString());
    const Outcome r = runCli(root(), args, true);
    if (r.code == 126) GTEST_SKIP() << "the tool cannot be run as an ordinary user here";
    EXPECT_EQ(std::tuple(r.code, r.out.left(out.size()), r.err), std::tuple(code, out, err));
  }
  // A name that is not UTF-8, named directly, opens as any other.
  const Outcome direct = runCli(root(), {"frames", "--no-decode", "tree/pr\xb3\x61t.mjp"});
  EXPECT_EQ(std::tuple(direct.code, direct.out),
            std::tuple(0, runCli(root(), {"frames", "tree/cam2.mjp", "--no-decode"}).out));
}

// Every name a run prints in JSON goes back to the very bytes it was found under.
TEST_F(Folders, JsonNamesGiveTheBytesBack) {
  const Outcome r = runCli(root(), {"events", "ctrl", "tree/sub\xb3", "--over", "0"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QList<QByteArray> names;
  for (const QByteArray& line : r.out.split('\n'))
    if (!line.isEmpty()) names << nameBytes(QJsonDocument::fromJson(line).object().value("file").toString());
  EXPECT_EQ(names, (QList<QByteArray>{"ctrl/bell\a.mjp", "ctrl/esc\x1b[31m.mjp", "ctrl/new\nline.mjp",
                                      "tree/sub\xb3/inner.mjp"}));
}

// A CSV text cell that a spreadsheet would run as a formula starts with a '; the numbers do not.
TEST_F(Folders, CsvCellsAreNeverFormulas) {
  const std::vector<QByteArray> files{"=cmd.mjp", "+x.mjp", "-y.mjp", "@at,x.mjp", "'q.mjp", "\ttab.mjp", "plain.mjp"};
  std::vector<QByteArray> args{"events", "--over", "0", "--csv", "--"};
  args.insert(args.end(), files.begin(), files.end());
  const Outcome r = runCli(at("formula"), args);
  const char* cells[] = {"'=cmd.mjp", "'+x.mjp", "'-y.mjp", "\"'@at,x.mjp\"", "''q.mjp", "'\ttab.mjp", "plain.mjp"};
  QByteArray expected = "file,first,last,first_time,last_time,peak_kmh,peak_frame\n";
  for (const char* cell : cells) expected += QByteArray(cell) + ",1,1,001:00:00,001:00:00,0,1\n";
  EXPECT_EQ(std::pair(r.code, r.out), std::pair(0, expected)) << r.err.toStdString();
  // The identifier a recording holds is a text cell too.
  const Outcome t = runCli(at("formula"), {"telemetry", "=cmd.mjp", "--csv"});
  EXPECT_TRUE(t.out.contains(",'=1+2-CAM0417,")) << t.out.toStdString();
}

// Control characters reach neither a terminal nor a second stderr line: they are shown as \xHH.
TEST_F(Folders, ControlCharactersAreShownNotObeyed) {
  const Outcome table = runCli(root(), {"telemetry", "ctrl"}, false, Stdout::Terminal);
  const Outcome csv = runCli(root(), {"telemetry", "ctrl", "--csv"}, false, Stdout::Terminal);
  if (table.code == -2) GTEST_SKIP() << "no terminal to be had here";
  for (const Outcome& r : {table, csv}) {
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(R"(ctrl/esc\x1b[31m.mjp)") && r.out.contains(R"(CAM\x1b[31mRED1)") &&
                r.out.contains(R"(ctrl/new\x0aline.mjp)") && r.out.contains(R"(ctrl/bell\x07.mjp)"))
        << r.out.toStdString();
    EXPECT_FALSE(r.out.contains('\x1b') || r.out.contains('\a'));
  }
  const std::pair<std::vector<QByteArray>, QByteArray> errors[] = {
      {{"frames", "gone\nfile\x1b[2J.mjp"}, "vistrel-cli: gone\\x0afile\\x1b[2J.mjp: no such file\n"},
      {{"events", "--over", "0", "ctrl", "gone\n.mjp"}, "vistrel-cli: gone\\x0a.mjp: no such file\n"},
      {{"frames", "x.mjp", "--power-on", "\a1:00"},
       "vistrel-cli frames: --power-on must be HH:MM from 00:00 to 23:59, not '\\x071:00' (see --help)\n"},
  };
  for (const auto& [args, line] : errors) EXPECT_EQ(runCli(root(), args).err, line);
}

}  // namespace
