// check and verify as a script meets them: verdicts, findings and exit statuses; items made by
// the tool itself verified, and each one with one byte changed found out at that byte.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "support/FileContents.h"

namespace {

struct Outcome {
  int code;
  QString out, err;
};

Outcome cli(const QStringList& args) {
  QProcess p;
  p.start(VISTREL_CLI, args);
  const bool finished = p.waitForFinished(120'000);
  return {finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

recgen::Options frames(int count, std::uint64_t seed) {
  return {.seed = seed, .frames = count, .width = 48, .height = 32};
}

// The file's bytes with the byte at offset (from 0) changed.
void flipped(const QString& from, const QString& to, qint64 offset) {
  QByteArray b = BytesOf(from);
  b[offset] = static_cast<char>(b[offset] ^ 0x01);
  ASSERT_TRUE(WriteFile(to, b));
}

class CheckCli : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    rec = recgen::WriteRecording(path("rec.mjp").toStdString(), frames(40, 11));
    recgen::WriteRecording(path("other.mjp").toStdString(), frames(40, 12));
    // A recording with stray bytes after frame 1 and a cut-short end.
    recgen::RecordingBuilder b;
    b.Frames(frames(2, 11));
    b.Append("stray");
    b.Append(recgen::MeasurementBlock("CAM-0417-A02", 40, 200, 3600)).Append(recgen::EncodeScene(11, 2, 48, 32));
    b.Append(recgen::MeasurementBlock("CAM-0417-A02", 40, 200, 3600)).Fill(1, 0xFF).Fill(1, 0xD8).Fill(50, 0x11);
    b.Write(path("damaged.mjp").toStdString());
    for (const QStringList& made :
         {QStringList{"export-jpeg", path("rec.mjp"), "--frame", "7", "-o", path("f7.jpg")},
          {"export-mjp", path("rec.mjp"), "--frames", "4:12", "-o", path("cut.mjp")},
          {"export-avi", path("rec.mjp"), "--frames", "4:12", "--fps", "10", "--codec", "copy", "-o", path("copy.avi")},
          {"report", path("rec.mjp"), "--over", "20", "-o", path("rep.html")}}) {
      const Outcome r = cli(made);
      ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
  }
  static void TearDownTestSuite() { delete dir; }
  static QString path(const QString& name) { return dir->filePath(name); }

  static inline QTemporaryDir* dir;
  static inline std::vector<recgen::FrameRecord> rec;
};

TEST_F(CheckCli, VerdictsAndExitStatuses) {
  const auto [cleanCode, cleanOut] = std::pair{0, QStringLiteral("%1: intact, 40 frames\n").arg(path("rec.mjp"))};
  const std::tuple<QStringList, int, QString> cases[] = {
      {{"check", path("rec.mjp")}, cleanCode, cleanOut},
      {{"check", path("rec.mjp"), "--jobs", "1"}, cleanCode, cleanOut},
      {{"check", path("damaged.mjp")},
       3,
       QStringLiteral("%1: frame 2, positions %2-%3: stray-bytes: 5 bytes\n"
                      "%1: frame 3, positions %4-%5: cut-short: the frame starting at position %6 has no end marker\n"
                      "%1: 2 findings in 3 frames: 1 stray-bytes, 1 cut-short\n")
           .arg(path("damaged.mjp"))
           .arg(rec[1].EndPos() + 1)
           .arg(rec[1].EndPos() + 5)
           .arg(QFileInfo(path("damaged.mjp")).size() - 83)
           .arg(QFileInfo(path("damaged.mjp")).size())
           .arg(QFileInfo(path("damaged.mjp")).size() - 51)},
      {{"check", path("rec.mjp"), path("none.mjp")}, 1, cleanOut},
      {{"check", path("rec.mjp"), "--json", "--csv"}, 2, {}},
      {{"check", path("rec.mjp"), "--gap", "-1"}, 2, {}},
  };
  for (const auto& [args, code, out] : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const Outcome r = cli(args);
    EXPECT_EQ(r.code, code) << r.err.toStdString();
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err.isEmpty(), code == 0 || code == 3) << r.err.toStdString();
  }
}

TEST_F(CheckCli, JsonAndCsvCarryTheSameFindings) {
  const Outcome json = cli({"check", path("damaged.mjp"), path("rec.mjp"), "--json"});
  EXPECT_EQ(json.code, 3);
  const QStringList lines = json.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].contains(R"("frames":3,"intact":false,"stray_bytes":5,)")) << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains(R"("findings":[{"frame":2,"kind":"stray-bytes",)")) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains(R"("frames":40,"intact":true,)")) << lines[1].toStdString();
  const Outcome csv = cli({"check", path("damaged.mjp"), path("rec.mjp"), "--csv"});
  EXPECT_EQ(csv.code, 3);
  const QStringList rows = csv.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 5);
  EXPECT_EQ(rows[0], "file,frame,kind,start,end,details");
  EXPECT_TRUE(rows[3].startsWith(path("damaged.mjp") + ",,findings,,,")) << rows[3].toStdString();
  EXPECT_EQ(rows[4], path("rec.mjp") + ",,intact,,,\"intact, 40 frames\"");
}

// Each item verified, then with one byte changed: not verified, and the difference named where it is.
TEST_F(CheckCli, ItemsVerifiedAndOneChangedByteFound) {
  const QByteArray avi = BytesOf(path("copy.avi"));
  const QByteArray frame8 = BytesOf(path("rec.mjp"), rec[8].jpegPos, rec[8].EndPos());
  const qint64 frame8InAvi = avi.indexOf(frame8);
  ASSERT_GT(frame8InAvi, 0);
  const QByteArray html = BytesOf(path("rep.html"));
  const qint64 recordingHash =
      html.indexOf(QCryptographicHash::hash(BytesOf(path("rec.mjp")), QCryptographicHash::Sha256).toHex());
  ASSERT_GT(recordingHash, 0);
  const qint64 lastHash = html.lastIndexOf("class=\"hash\">") + 13;  // the last event's peak frame's
  const qint64 cutStart = rec[4].jpegPos;                            // the cut's byte 1
  const qint64 jpegFlip = static_cast<qint64>(rec[7].jpegSize) / 2;

  const std::tuple<const char*, qint64, int, QString> cases[] = {
      // item, byte changed (-1 none), status, the start of its line
      {"f7.jpg", -1, 0,
       QStringLiteral("verified: %1 equals frame 7 of %2 (positions %3-%4): CAM-0417-A02, ")
           .arg(path("f7.jpg"), path("rec.mjp"))
           .arg(rec[7].jpegPos)
           .arg(rec[7].EndPos())},
      {"f7.jpg", jpegFlip, 3,
       QStringLiteral("not verified: %1: no frame equals it; the nearest, frame 7 (positions %2-%3), differs first "
                      "at byte %4 of the JPEG (position %5 of the recording)\n")
           .arg(path("f7x.jpg"))
           .arg(rec[7].jpegPos)
           .arg(rec[7].EndPos())
           .arg(jpegFlip + 1)
           .arg(rec[7].jpegPos + jpegFlip)},
      {"cut.mjp", -1, 0,
       QStringLiteral("verified: %1 is positions %2-%3 of %4, byte for byte: frames 4-12 (9 frames)\n")
           .arg(path("cut.mjp"))
           .arg(cutStart)
           .arg(rec[12].EndPos())
           .arg(path("rec.mjp"))},
      {"cut.mjp", 3000, 3,
       QStringLiteral("not verified: %1: byte 3001 of the cut differs from position %2 of the recording\n")
           .arg(path("cutx.mjp"))
           .arg(cutStart + 3000)},
      {"copy.avi", -1, 0,
       QStringLiteral("verified: %1: its 9 packets are frames 4-12 (9 frames) of %2, in order, byte for byte\n")
           .arg(path("copy.avi"), path("rec.mjp"))},
      {"copy.avi", frame8InAvi + 100, 3,
       QStringLiteral("not verified: %1: packet 4 differs from frame 8 (positions %2-%3) at byte 101 (position %4 "
                      "of the recording)\n")
           .arg(path("copyx.avi"))
           .arg(rec[8].jpegPos)
           .arg(rec[8].EndPos())
           .arg(rec[8].jpegPos + 100)},
      {"rep.html", -1, 0, QStringLiteral("verified: %1: its ").arg(path("rep.html"))},
      {"rep.html", recordingHash + 10, 3,
       QStringLiteral("not verified: %1: the report's SHA-256 of the recording is ").arg(path("repx.html"))},
      {"rep.html", lastHash + 63, 3, QStringLiteral("not verified: %1: event ").arg(path("repx.html"))},
  };
  for (const auto& [name, offset, code, line] : cases) {
    SCOPED_TRACE(QStringLiteral("%1 %2").arg(name).arg(offset).toStdString());
    QString item = path(name);
    if (offset >= 0) {
      item = path(QString(name).replace('.', "x."));
      flipped(path(name), item, offset);
    }
    const Outcome r = cli({"verify", item, "--against", path("rec.mjp")});
    EXPECT_EQ(r.code, code) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(line)) << r.out.toStdString() << "\nnot\n" << line.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  }
}

TEST_F(CheckCli, AReportAgainstAnotherRecordingAndWhatCannotBeRead) {
  WriteFile(path("text.avi"), "not an AVI file at all");
  const std::tuple<QStringList, int, QString, QString> cases[] = {
      // arguments, status, the start of stdout, of stderr
      {{"verify", path("rep.html"), "--against", path("other.mjp")},
       3,
       QStringLiteral("not verified: %1: the report's SHA-256 of the recording is ").arg(path("rep.html")),
       {}},
      {{"verify", path("f7.jpg"), "--against", path("other.mjp")},
       3,
       QStringLiteral("not verified: %1: no frame equals it").arg(path("f7.jpg")),
       {}},
      {{"verify", path("copy.avi"), "--against", path("other.mjp")},
       3,
       QStringLiteral("not verified: %1: packet 0 equals no frame").arg(path("copy.avi")),
       {}},
      {{"verify", path("cut.mjp"), "--against", path("other.mjp")},
       3,
       QStringLiteral("not verified: %1: no frame of the cut is a frame of the recording").arg(path("cut.mjp")),
       {}},
      {{"verify", path("none.jpg"), "--against", path("rec.mjp")},
       1,
       {},
       QStringLiteral("vistrel-cli: %1: no such file\n").arg(path("none.jpg"))},
      {{"verify", path("f7.jpg"), "--against", path("none.mjp")},
       1,
       {},
       QStringLiteral("vistrel-cli: %1: no such file\n").arg(path("none.mjp"))},
      {{"verify", path("text.avi"), "--against", path("rec.mjp")},
       1,
       {},
       QStringLiteral("vistrel-cli: %1: cannot be read as an AVI file: ").arg(path("text.avi"))},
      {{"verify", path("f7.jpg")}, 2, {}, QStringLiteral("vistrel-cli verify: --against is required")},
  };
  for (const auto& [args, code, out, err] : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const Outcome r = cli(args);
    EXPECT_EQ(r.code, code) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(out) && (!out.isEmpty() || r.out.isEmpty())) << r.out.toStdString();
    EXPECT_TRUE(r.err.startsWith(err) && (!err.isEmpty() || r.err.isEmpty())) << r.err.toStdString();
  }
}

}  // namespace
