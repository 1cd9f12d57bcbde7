// The archive's commands as a script sees them: the index's answers are the walk's answers,
// byte for byte; a second run reads nothing; a killed run leaves an index sqlite3 opens.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "RecordingGenerator.h"
#include "support/FileContents.h"
#include "support/QtPrinters.h"

namespace {

struct Outcome {
  int code;
  QByteArray out, err;
};

// The program run in `workingFolder` (empty: this one), with `env` ("NAME=value") added to the environment.
Outcome run(const QString& program, const QStringList& args, const QString& workingFolder = {},
            const QStringList& env = {}) {
  QProcess p;
  if (!workingFolder.isEmpty()) p.setWorkingDirectory(workingFolder);
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString& v : env) e.insert(v.section('=', 0, 0), v.section('=', 1));
  p.setProcessEnvironment(e);
  p.start(program, args);
  const bool finished = p.waitForFinished(300'000);
  return {finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

Outcome cli(const QStringList& args, const QString& workingFolder = {}) {
  return run(VISTREL_CLI, args, workingFolder);
}

QByteArray sqlite(const QString& db, const QString& statement) { return run("sqlite3", {db, statement}).out.trimmed(); }

void touchLater(const QString& file) {
  const timespec later[2] = {{0, UTIME_OMIT}, {2'000'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), later, 0), 0);
}

recgen::Options rec(std::uint64_t seed, int frames) {
  return {.seed = seed, .frames = frames, .width = 32, .height = 24, .textTimeEvery = 7};
}

class ArchiveCli : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir(dir.path()).mkpath("day/sub");
    // Names in natural order, one in a subfolder, and names hostile to CSV and to UTF-8.
    int seed = 1;
    for (const char* name : {"cam1.mjp", "cam2.mjp", "cam10.mjp", "sub/x.mjp", "=SUM(1,2).mjp", "pr\xb3\x61t.mjp"})
      recgen::WriteRecording((QFile::encodeName(day()) + '/' + name).toStdString(), rec(seed++, 150));
  }
  QString day() const { return dir.filePath("day"); }
  QString db() const { return dir.filePath("index.sqlite"); }
  Outcome index(const QStringList& more = {}) { return cli(QStringList{"index", day(), "--db", db()} + more); }

  QTemporaryDir dir;
};

TEST_F(ArchiveCli, EventsFromTheIndexAreTheWalksByteForByte) {
  const Outcome first = index();
  ASSERT_EQ(first.code, 0) << first.err.toStdString();
  EXPECT_EQ(first.out, "6 recordings: 6 read, 0 unchanged, 0 dropped, 0 failed\n");
  const QStringList options[] = {{"--over", "60"},
                                 {"--over", "60", "--csv"},
                                 {"--over", "0", "--power-on", "07:30"},
                                 {"--over", "90", "--csv", "--power-on", "23:59"},
                                 {"--over", "1000"}};
  for (const QStringList& o : options) {
    SCOPED_TRACE(o.join(' ').toStdString());
    const Outcome walked = cli(QStringList{"events", day()} + o);
    ASSERT_EQ(walked.code, 0) << walked.err.toStdString();
    // The whole index, the folder named (as given, relative too) and the files named.
    const std::pair<QStringList, QString> asked[] = {
        {{"--db", db()}, {}},
        {{"--db", db(), day()}, {}},
        {{"--db", db(), "day"}, dir.path()},
    };
    for (const auto& [args, where] : asked) {
      const Outcome fromIndex = cli(QStringList{"events"} + args + o, where);
      const Outcome walkedThere = where.isEmpty() ? walked : cli(QStringList{"events", "day"} + o, where);
      EXPECT_EQ(std::tuple(fromIndex.code, fromIndex.err, fromIndex.out), std::tuple(0, QByteArray(), walkedThere.out));
    }
  }
  EXPECT_TRUE(cli({"events", day(), "--over", "60"}).out.contains(R"(pr\\xb3at.mjp)"));
}

TEST_F(ArchiveCli, ASecondRunReadsOnlyWhatChanged) {
  ASSERT_EQ(index().code, 0);
  EXPECT_EQ(index().out, "6 recordings: 0 read, 6 unchanged, 0 dropped, 0 failed\n");
  touchLater(day() + "/cam2.mjp");
  QFile::remove(day() + "/sub/x.mjp");
  QFile::rename(day() + "/cam10.mjp", day() + "/cam11.mjp");
  // The index answers only for recordings as they were indexed.
  const Outcome stale = cli({"events", "--db", db(), day(), "--over", "50"});
  const QByteArray folder = "vistrel-cli: " + day().toUtf8();
  EXPECT_EQ(std::pair(stale.code, stale.err),
            std::pair(1, folder +
                             "/cam2.mjp: changed since it was indexed (index it again with 'vistrel-cli index')\n" +
                             folder + "/cam11.mjp: not in the index (index it with 'vistrel-cli index')\n"));
  // The plan, on a copy of the index named by VISTREL_DB: what to read, NUL after each; nothing read.
  const QString copy = dir.filePath("copy.sqlite");
  ASSERT_TRUE(QFile::copy(db(), copy));
  const Outcome plan = run(VISTREL_CLI, {"index", day(), "--plan"}, {}, {"VISTREL_DB=" + copy});
  EXPECT_EQ(std::pair(plan.code, plan.out),
            std::pair(0, day().toUtf8() + "/cam2.mjp" + '\0' + day().toUtf8() + "/cam11.mjp" + '\0'));
  EXPECT_EQ(sqlite(copy, "SELECT count(*) FROM recording"), "4");  // the gone are forgotten
  EXPECT_EQ(index().out, "5 recordings: 2 read, 3 unchanged, 2 dropped, 0 failed\n");
  EXPECT_EQ(sqlite(db(), "SELECT count(*) FROM recording"), "5");
  // What was dropped or read again left no rows behind; the file is in WAL mode.
  EXPECT_EQ(sqlite(db(), "SELECT count(*) FROM measurement WHERE recording NOT IN (SELECT id FROM recording)"), "0");
  EXPECT_EQ(sqlite(db(), "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(cli({"events", "--db", db(), day(), "--over", "50"}).out, cli({"events", day(), "--over", "50"}).out);
}

TEST_F(ArchiveCli, ARecordingThatCannotBeReadIsNamedAndTheOthersIndexed) {
  ASSERT_EQ(::symlink("/nonexistent/gone.mjp", QFile::encodeName(day() + "/gone.mjp").constData()), 0);
  const Outcome r = index();
  EXPECT_EQ(std::tuple(r.code, r.err, r.out),
            std::tuple(1, "vistrel-cli: " + day().toUtf8() + "/gone.mjp: no such file\n",
                       QByteArray("7 recordings: 6 read, 0 unchanged, 0 dropped, 1 failed\n")));
  EXPECT_EQ(sqlite(db(), "SELECT count(*) FROM recording"), "6");
  EXPECT_EQ(cli({"index", day(), "--db", day() + "/index.sqlite"}).code, 2);
  EXPECT_FALSE(QFile::exists(day() + "/index.sqlite"));  // the recordings' folder stays untouched
}

TEST_F(ArchiveCli, ArchiveListsEachRecordingWithItsEvents) {
  ASSERT_EQ(index().code, 0);
  const Outcome json = cli({"archive", "--db", db(), "--over", "60", "--json"});
  ASSERT_EQ(json.code, 0) << json.err.toStdString();
  const QList<QByteArray> lines = json.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 6);
  EXPECT_TRUE(lines[0].contains("/day/=SUM(1,2).mjp\""));  // natural order: '=' before letters
  EXPECT_TRUE(lines[1].contains("/day/cam1.mjp\"") && lines[2].contains("/day/cam2.mjp\"") &&
              lines[3].contains("/day/cam10.mjp\""));
  const QByteArray sha = run("sha256sum", {day() + "/cam1.mjp"}).out.left(64);
  EXPECT_TRUE(lines[1].contains("\"sha256\":\"" + sha + "\"")) << lines[1].toStdString();
  const int events = static_cast<int>(cli({"events", day() + "/cam1.mjp", "--over", "60"}).out.count('\n'));
  EXPECT_TRUE(lines[1].contains(",\"events\":" + QByteArray::number(events) + ",")) << lines[1].toStdString();
  const Outcome csv = cli({"archive", "--db", db(), "--csv"});
  EXPECT_TRUE(csv.out.contains("\n\"" + day().toUtf8() + "/=SUM(1,2).mjp\",")) << csv.out.toStdString();
}

TEST_F(ArchiveCli, AKilledRunLeavesAnIndexThatOpensAndTheNextRunCompletes) {
  // Enough work that the kill lands in the middle: pictures decoded, one job.
  const int count = 40;
  for (int k = 0; k < count; ++k)
    recgen::WriteRecording(dir.filePath(QStringLiteral("day/sub/long%1.mjp").arg(k)).toStdString(),
                           {.seed = 50u + k, .frames = 400, .width = 320, .height = 240, .uniqueFrames = 4});
  QProcess p;
  p.start(VISTREL_CLI, {"index", day(), "--db", db(), "--decode", "--jobs", "1"});
  ASSERT_TRUE(p.waitForStarted());
  // Killed once a few recordings are in.
  for (int k = 0; k < 600 && sqlite(db(), "SELECT count(*) FROM recording").toInt() < 3; ++k) QThread::msleep(20);
  ASSERT_EQ(p.state(), QProcess::Running) << "the run ended before it could be killed";
  ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
  p.waitForFinished();
  EXPECT_EQ(sqlite(db(), "PRAGMA integrity_check"), "ok");
  const int kept = sqlite(db(), "SELECT count(*) FROM recording").toInt();
  EXPECT_TRUE(kept >= 3 && kept < count + 6) << kept;
  // Every recording in it whole: its measurement rows as many as its summary says.
  EXPECT_EQ(sqlite(db(),
                   "SELECT count(*) FROM recording r WHERE measurements != "
                   "(SELECT count(*) FROM measurement m WHERE m.recording = r.id)"),
            "0");
  const Outcome rerun = index();
  EXPECT_EQ(std::pair(rerun.code, rerun.out),
            std::pair(0, QStringLiteral("%1 recordings: %2 read, %3 unchanged, 0 dropped, 0 failed\n")
                             .arg(count + 6)
                             .arg(count + 6 - kept)
                             .arg(kept)
                             .toUtf8()))
      << rerun.err.toStdString();
  EXPECT_EQ(cli({"events", "--db", db(), "--over", "70", "--csv"}).out,
            cli({"events", day(), "--over", "70", "--csv"}).out);
}

// Two runs started at once on a new index file: both make it (one waits for the other), and
// between them every recording is read exactly once.
TEST_F(ArchiveCli, TwoRunsAtOnceShareTheWorkOnANewFile) {
  const QRegularExpression line(
      R"(^6 recordings: (\d) read, (\d) unchanged, 0 dropped, 0 failed(, (\d) left to other indexers)?\n$)");
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(db() + suffix);
    QProcess a, b;
    a.start(VISTREL_CLI, {"index", day(), "--db", db(), "--jobs", "1"});
    b.start(VISTREL_CLI, {"index", day(), "--db", db(), "--jobs", "2"});
    int read = 0;
    for (QProcess* p : {&a, &b}) {
      ASSERT_TRUE(p->waitForFinished(60'000));
      EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
      const QRegularExpressionMatch m = line.match(QString::fromUtf8(p->readAllStandardOutput()));
      ASSERT_TRUE(m.hasMatch());
      read += m.captured(1).toInt();
    }
    EXPECT_EQ(read, 6);
  }
  EXPECT_EQ(cli({"events", "--db", db(), "--over", "60"}).out, cli({"events", day(), "--over", "60"}).out);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
