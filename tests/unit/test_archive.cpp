// The archive's index: what a walk gathers for it, what it stores and answers, and what a run
// over a changed folder has to read again.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "archive/ArchiveIndex.h"
#include "archive/ArchivePaths.h"
#include "archive/IndexLocation.h"
#include "archive/IndexPlan.h"
#include "archive/IndexWalk.h"
#include "support/FileContents.h"
#include "viewer/FrameWalk.h"

namespace {

recgen::Options tiny(int frames, std::uint64_t seed = 7) {
  return {.seed = seed, .frames = frames, .width = 32, .height = 24, .textTimeEvery = 6};
}

// The index's view of a recording, walked as the index command walks it.
IndexedRecording indexed(const QString& path, bool decode) {
  const QByteArray bytes = QFile::encodeName(path);
  Viewer v;
  v.StartWithoutWindow(0, decode);
  EXPECT_TRUE(v.OpenRecordingFile(path, nullptr));
  IndexWalk walk(v, bytes, StampOf(bytes).value(), decode);
  WalkForward(v, v.ShowOpenedRecording(), [&](int n, bool decoded) {
    walk.Visit(n, decoded);
    return true;
  });
  return walk.Finish().value();
}

QByteArray sha256Of(const QString& path) {
  return QCryptographicHash::hash(BytesOf(path), QCryptographicHash::Sha256).toHex();
}

// Recordings whose bytes the walk's window does not cover at every frame.
struct Shape {
  const char* name;
  recgen::Bytes (*make)();
};

recgen::Bytes framesThen(std::size_t garbage, std::uint8_t value) {
  recgen::RecordingBuilder b;
  b.Frames(tiny(20));
  b.Fill(garbage, value);
  return b.Data();
}

const Shape kShapes[] = {
    {"frames only", [] { return framesThen(0, 0); }},
    {"2.3 MB after the last frame", [] { return framesThen(2'300'000, 0x20); }},
    {"a 1.7 MB gap between frames",
     [] {
       recgen::RecordingBuilder b;
       b.Frames(tiny(8));
       b.Fill(1'700'000, 0x41);
       b.Frames(tiny(8, 9));
       return b.Data();
     }},
    {"no frame at all", [] { return recgen::Bytes(1'200'001, 0x55); }},
    {"empty", [] { return recgen::Bytes(); }},
};

TEST(IndexWalk, HashesTheWholeFileAndKeepsEveryMeasurementOfTheWalk) {
  QTemporaryDir dir;
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    const QString path = dir.filePath(QString::fromLatin1(shape.name) + ".mjp");
    recgen::RecordingBuilder().Append(shape.make()).Write(path.toStdString());
    const IndexedRecording r = indexed(path, false);
    const std::vector<FrameRecord> walk = ReadFrameRecords(path, 0, nullptr).value();
    const auto fields = [](const MeasurementRow& m) {
      return std::tuple(m.frame, m.position, m.seconds, m.kmh, m.ident);
    };
    std::vector<decltype(fields({}))> rows, expected;
    for (const MeasurementRow& m : r.rows) rows.push_back(fields(m));
    for (const FrameRecord& f : walk)
      if (f.kind == FrameKind::Measurement)
        expected.push_back(fields({f.n, f.start, static_cast<std::int32_t>(*f.seconds), *f.speedKmh, f.ident}));
    EXPECT_EQ(rows, expected);
    // The damaged frames are not checked without decoding.
    EXPECT_EQ(std::tuple(r.summary.sha256, r.summary.frames, r.summary.measurements, r.summary.damaged.has_value()),
              std::tuple(sha256Of(path), static_cast<int>(walk.size()), static_cast<int>(expected.size()), false));
  }
}

TEST(IndexWalk, SummarisesTimesIdentsTopSpeedAndDamagedFrames) {
  QTemporaryDir dir;
  recgen::RecordingBuilder b;
  b.Fill(100, ' ');  // the first frame's block lies past the window's first bytes
  b.Append(recgen::MeasurementBlock("CAM-A0000001", 40, 200, 100)).Append(recgen::EncodeScene(1, 0, 32, 24));
  recgen::Bytes bad = recgen::EncodeScene(1, 1, 32, 24);
  std::fill(bad.begin() + 2, bad.begin() + 200, 0);
  b.Append(recgen::MeasurementBlock("CAM-B0000002", 97, 200, 101)).Append(bad);
  b.Append(recgen::TextTimeBlock("CAM-C0000003", "06.12.2026 10:15")).Append(recgen::EncodeScene(1, 2, 32, 24));
  b.Append(recgen::MeasurementBlock("CAM-A0000001", 0, 200, 109)).Append(recgen::EncodeScene(1, 3, 32, 24));
  const QString path = dir.filePath("mixed.mjp");
  b.Write(path.toStdString());
  for (const bool decode : {false, true}) {
    SCOPED_TRACE(decode);
    const RecordingSummary s = indexed(path, decode).summary;
    // The damaged frame's identifier is its own, though the panel never showed it.
    EXPECT_EQ(std::tuple(s.frames, s.measurements, s.firstSeconds, s.lastSeconds, s.topKmh, s.idents, s.damaged),
              std::tuple(4, 3, std::optional(100), std::optional(109), std::optional(97),
                         QStringList({"CAM-A0000001", "CAM-B0000002", "CAM-C0000003"}),
                         decode ? std::optional<int>(1) : std::nullopt));
  }
}

// Statements run with a connection of the test's own, as sqlite3 would run them: the last one's first value.
QVariant sql(const QString& db, const QStringList& statements) {
  QVariant value;
  {
    QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "probe");
    c.setDatabaseName(db);
    c.open();
    for (const QString& statement : statements) {
      QSqlQuery q(c);
      value = q.exec(statement) && q.next() ? q.value(0) : QVariant();
    }
  }
  QSqlDatabase::removeDatabase("probe");
  return value;
}

IndexedRecording sample(const QByteArray& path, int frames) {
  IndexedRecording r;
  r.summary = {path, {1000 + frames, 5'000'000'123}, QByteArray(64, 'a'), frames, 2, 10, 11, {"ID-1", "ID-2"}, 70, {}};
  r.rows = {{1, 400, 10, 70, "ID-1"}, {3, 900, 11, 40, "ID-2"}};
  return r;
}

TEST(ArchiveIndex, OpensOnlyItsOwnSchema) {
  QTemporaryDir dir;
  const auto make = [&](const QString& name, const QStringList& statements) {
    sql(dir.filePath(name), statements);
    return dir.filePath(name);
  };
  WriteFile(dir.filePath("text.sqlite"), QByteArray(5000, 'x'));
  const std::tuple<QString, bool, const char*> cases[] = {
      // path, create, the error's start ("" opens)
      {dir.filePath("missing.sqlite"), false, "no such index"},
      {dir.filePath("new.sqlite"), true, ""},
      {make("newer.sqlite", {"CREATE TABLE t(x)", "PRAGMA user_version=99"}), false, "made by a newer version"},
      {make("foreign.sqlite", {"CREATE TABLE t(x)"}), false, "not an archive index"},
      {make("version1.sqlite",
            {"CREATE TABLE measurement (recording, frame, position, seconds, kmh, ident)", "PRAGMA user_version=1"}),
       false, ""},
      {dir.filePath("text.sqlite"), false, "file is not a database"},
      {dir.path(), true, "is a directory"},
  };
  for (const auto& [path, create, error] : cases) {
    SCOPED_TRACE(path.toStdString());
    ArchiveIndex index;
    const bool opened = index.Open(path, create);
    EXPECT_EQ(opened, *error == '\0');
    EXPECT_TRUE(*error ? index.Error().startsWith(QLatin1String(error)) : index.Error().isEmpty())
        << index.Error().toStdString();
  }
  EXPECT_FALSE(QFile::exists(dir.filePath("missing.sqlite")));  // asking never makes an index
  ArchiveIndex again;                                           // what it made opens again
  EXPECT_TRUE(again.Open(dir.filePath("new.sqlite"), false));
  // An index of the first version gains what the later ones added.
  const QString first = dir.filePath("version1.sqlite");
  EXPECT_EQ(sql(first, {"PRAGMA user_version"}).toInt(), ArchiveIndex::kSchemaVersion);
  EXPECT_EQ(sql(first, {"SELECT count(*) FROM sqlite_master WHERE name = 'measurement_by_speed'"}).toInt(), 1);
}

// A new modification time, the size kept.
void touchLater(const QString& file) {
  const timespec later[2] = {{0, UTIME_OMIT}, {2'000'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), later, 0), 0);
}

// A folder of recordings, indexed once, then changed as people change folders.
TEST(IndexPlan, ReadsOnlyWhatChangedAndForgetsWhatIsGone) {
  // the change, applied to the folder; the names read again, how many are unchanged, the names gone
  const std::tuple<const char*, void (*)(const QString&), QStringList, int, QStringList> cases[] = {
      {"nothing", [](const QString&) {}, {}, 3, {}},
      {"touched", [](const QString& d) { touchLater(d + "/b.mjp"); }, {"b.mjp"}, 2, {}},
      {"grown", [](const QString& d) { WriteFile(d + "/c.mjp", BytesOf(d + "/c.mjp") + "x"); }, {"c.mjp"}, 2, {}},
      {"deleted", [](const QString& d) { QFile::remove(d + "/a.mjp"); }, {}, 2, {"a.mjp"}},
      {"renamed", [](const QString& d) { QFile::rename(d + "/a.mjp", d + "/z.mjp"); }, {"z.mjp"}, 2, {"a.mjp"}},
      {"added", [](const QString& d) { QFile::copy(d + "/a.mjp", d + "/d.mjp"); }, {"d.mjp"}, 3, {}},
  };
  for (const auto& [change, apply, toRead, unchanged, gone] : cases) {
    SCOPED_TRACE(change);
    QTemporaryDir dir;
    const QByteArray folder = AbsolutePath(QFile::encodeName(dir.path()));
    QHash<QByteArray, ArchiveIndex::Stored> stored;
    for (const char* name : {"a.mjp", "b.mjp", "c.mjp"}) {
      recgen::WriteRecording(dir.filePath(name).toStdString(), tiny(3));
      stored.insert(folder + '/' + name, {0, StampOf(folder + '/' + name).value()});
    }
    stored.insert("/elsewhere/kept.mjp", {});  // indexed from another folder: not this run's business
    apply(dir.path());
    QList<std::pair<QByteArray, std::optional<FileStamp>>> listed;
    for (const char* name : {"a.mjp", "b.mjp", "c.mjp", "d.mjp", "z.mjp", "a.mjp"})
      if (QFile::exists(dir.filePath(name))) listed.append({folder + '/' + name, StampOf(folder + '/' + name)});
    const IndexPlan plan = PlanIndexing(stored, listed, {folder});
    QStringList planned[2];  // read again, gone
    for (const QByteArray& p : plan.toRead) planned[0] << QFile::decodeName(p.mid(folder.size() + 1));
    for (const QByteArray& p : plan.gone) planned[1] << QFile::decodeName(p.mid(folder.size() + 1));
    EXPECT_EQ(std::tuple(planned[0], plan.unchanged, planned[1]), std::tuple(toRead, unchanged, gone));
  }
}

TEST(ArchivePaths, NamesRecordingsAsRunsListThem) {
  const std::tuple<const char*, const char*, bool> before[] = {
      {"/d/cam2.mjp", "/d/cam10.mjp", true},
      {"/d/cam10.mjp", "/d/cam2.mjp", false},
      {"/d/b/x.mjp", "/d/b.mjp", true},  // a folder's recordings where the folder's name falls
      {"/d/a.mjp", "/d/b/x.mjp", true},
      {"/d/x.mjp", "/d/x.mjp", false},
      {"/d/cam1/z.mjp", "/d/cam10/a.mjp", true},
      {"/d/cam10/a.mjp", "/d/cam1/z.mjp", false},
      {"/d/cam9.mjp", "/d/cam09.mjp", true},
      {"/d/a", "/d/a/b", true},
      {"/d/a/b", "/d/a", false},
      {"a/x", "b/x", true},
      {"/d/x12y3", "/d/x12y20", true},
  };
  for (const auto& [a, b, expected] : before) EXPECT_EQ(ListedBefore(a, b), expected) << a << " " << b;
  const std::pair<const char*, const char*> absolute[] = {
      {"/a/./b/../c//d/", "/a/c/d"}, {"/../x", "/x"}, {"/", "/"}, {"/a/b\xb3", "/a/b\xb3"}};
  for (const auto& [given, clean] : absolute) EXPECT_EQ(AbsolutePath(given), QByteArray(clean));
  EXPECT_TRUE(AbsolutePath("rel/x.mjp").startsWith('/'));
  for (const auto& [path, folder, inside] :
       {std::tuple("/a/b/c.mjp", "/a", true), {"/a/c.mjp", "/", true}, {"/ab/c.mjp", "/a", false}, {"/a", "/a", false}})
    EXPECT_EQ(LiesInside(path, folder), inside) << path << " in " << folder;
}

// Who reads a recording when several indexers work on one index: the claim a run finds
// decides, by whose it is and whether it still holds.
TEST(ArchiveIndex, ClaimsLeaveARecordingToTheIndexerReadingIt) {
  QTemporaryDir dir;
  const QString db = dir.filePath("archive.sqlite");
  ArchiveIndex index;
  ASSERT_TRUE(index.Open(db, true)) << index.Error().toStdString();
  const IndexedRecording stored = sample("/rec/stored.mjp", 5);
  ASSERT_TRUE(index.Store(stored));
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  const QString here = QSysInfo::machineHostName();
  const qint64 endedPid = 999'999'999;  // above any pid_max: no process has it
  using enum ArchiveIndex::Claim;
  const QString other = "elsewhere.example";
  // the recording, its stamp now, the claim it has (host, pid, expires), what a claim for it finds
  const std::tuple<QByteArray, FileStamp, std::optional<std::tuple<QString, qint64, qint64>>, ArchiveIndex::Claim>
      cases[] = {
          {"/rec/a.mjp", {1, 1}, {}, Taken},                             // unclaimed
          {stored.summary.path, stored.summary.stamp, {}, Current},      // stored as it is
          {stored.summary.path, {2, 2}, {}, Taken},                      // stored, since changed
          {"/rec/b.mjp", {1, 1}, {{other, 1, now + 600}}, Held},         // another machine's, in time
          {"/rec/c.mjp", {1, 1}, {{other, 1, now - 1}}, Taken},          // another machine's, run out
          {"/rec/d.mjp", {1, 1}, {{here, 1, now + 600}}, Held},          // a running process here, in time
          {"/rec/f.mjp", {1, 1}, {{here, 1, now - 1}}, Taken},           // a running process here, run out
          {"/rec/e.mjp", {1, 1}, {{here, endedPid, now + 600}}, Taken},  // an ended process here
      };
  for (const auto& [path, stamp, claim, expected] : cases) {
    SCOPED_TRACE(path.toStdString());
    if (claim) {
      const auto& [host, pid, expires] = *claim;
      const QString insert = QStringLiteral("INSERT INTO claim VALUES (CAST('%1' AS BLOB), '%2', %3, %4)");
      ASSERT_TRUE(sql(db, {insert.arg(QString::fromLatin1(path), host).arg(pid).arg(expires)}).isNull());
    }
    QString holder;
    EXPECT_EQ(index.ClaimForReading(path, stamp, &holder), expected);
    EXPECT_EQ(holder.endsWith(QStringLiteral(" 1")), expected == Held) << holder.toStdString();
  }
  // What is claimed is this process's until stored or released; then anyone may claim it.
  const auto claims = [&] { return sql(db, {"SELECT count(*) FROM claim WHERE pid != 1"}).toInt(); };
  EXPECT_EQ(claims(), 5);
  ASSERT_TRUE(index.Store(sample("/rec/a.mjp", 3)));
  ASSERT_TRUE(index.Release("/rec/c.mjp"));
  ASSERT_TRUE(index.Drop({"/rec/e.mjp"}));
  EXPECT_EQ(claims(), 2);  // the changed recording's and f's, still being read
  const auto loaded = index.Load("/rec/a.mjp").value();
  ASSERT_TRUE(loaded);
  EXPECT_EQ(std::pair(loaded->summary.frames, loaded->rows.size()), std::pair(3, std::size_t{2}));
  EXPECT_FALSE(index.Load("/rec/none.mjp").value());
}

TEST(IndexLocation, ReadsPathsAndUrlsAsLibpqDoes) {
  const QString sure = "keepalives_idle=30;keepalives_interval=10;keepalives_count=3;tcp_user_timeout=60000";
  // given, postgres, host, user, password, database, port, options (the sure ones after them), the error
  using Case =
      std::tuple<const char*, bool, const char*, const char*, const char*, const char*, int, const char*, const char*>;
  // clang-format off
  const Case cases[] = {
      {"/var/cache/a.sqlite", false, "", "", "", "", -1, "", ""},
      {"postgresql://ann@db.example:5433/archive", true, "db.example", "ann", "", "archive", 5433, "connect_timeout=10;", ""},
      {"postgres://ann:s%40cret@db/archive?sslmode=require", true, "db", "ann", "s@cret", "archive", -1, "sslmode='require';connect_timeout=10;", ""},
      {"postgresql://ann@/archive?host=/run/pg&port=5544&connect_timeout=3", true, "/run/pg", "ann", "", "archive", 5544, "connect_timeout='3';", ""},
      {"postgresql://%2Ftmp%2Fsock/archive", true, "/tmp/sock", "", "", "archive", -1, "connect_timeout=10;", ""},
      {"postgresql://[::1]:5432/archive", true, "::1", "", "", "archive", 5432, "connect_timeout=10;", ""},
      {"postgresql://db/a?options=-c%20x%3D'1'%5C&password=pw", true, "db", "", "pw", "a", -1, "options='-c x=\\'1\\'\\\\';connect_timeout=10;", ""},
      {"postgresql://db:70000/archive", true, "", "", "", "", -1, "", "the database URL's port '70000' is no port"},
      {"postgresql://db:5432", true, "", "", "", "", -1, "", "the database URL names no database"},
      {"postgresql://db/a?application_name=x;y", true, "", "", "", "", -1, "", "the database URL's 'application_name' holds a ';'"},
  };
  // clang-format on
  for (const auto& [given, postgres, host, user, password, database, port, options, error] : cases) {
    SCOPED_TRACE(given);
    QString said;
    const std::optional<IndexLocation> l = IndexLocation::Of(given, &said);
    EXPECT_EQ(said, error);
    if (*error) continue;
    ASSERT_TRUE(l);
    EXPECT_EQ(std::tuple(l->postgres, l->file, l->host, l->user, l->password, l->database, l->port, l->options),
              std::tuple(postgres, QString(postgres ? "" : given), QString(host), QString(user), QString(password),
                         QString(database), port, postgres ? options + sure : QString()));
  }
  // A password is never shown, nor kept.
  const std::tuple<const char*, const char*, const char*> passwords[] = {
      // given, shown, kept
      // clang-format off
      {"postgresql://ann:pw@db/a", "postgresql://ann:***@db/a", "postgresql://ann@db/a"},
      {"postgresql://ann:p/w@db:99999/a", "postgresql://ann:***@db:99999/a", "postgresql://ann@db:99999/a"},
      {"postgresql://db/a?password=pw&sslmode=require", "postgresql://db/a?password=***&sslmode=require", "postgresql://db/a?sslmode=require"},
      {"postgresql://db/a?sslmode=require&password=pw", "postgresql://db/a?sslmode=require&password=***", "postgresql://db/a?sslmode=require"},
      {"postgresql://ann@db:5432/a", "postgresql://ann@db:5432/a", "postgresql://ann@db:5432/a"},
      {"/x/a:b@c.sqlite", "/x/a:b@c.sqlite", "/x/a:b@c.sqlite"},
      // clang-format on
  };
  for (const auto& [given, shown, kept] : passwords)
    EXPECT_EQ(std::tuple(IndexLocation::Masked(given), IndexLocation::WithoutPassword(given)), std::tuple(shown, kept));
}

}  // namespace
