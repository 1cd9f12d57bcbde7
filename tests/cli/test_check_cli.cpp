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
    for (const char* made :
         {"export-jpeg @rec.mjp --frame 7 -o @f7.jpg", "export-mjp @rec.mjp --frames 4:12 -o @cut.mjp",
          "export-avi @rec.mjp --frames 4:12 --fps 10 --codec copy -o @copy.avi",
          "report @rec.mjp --over 20 -o @rep.html"}) {
      const Outcome r = cli(made);
      ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
  }
  static void TearDownTestSuite() { delete dir; }
  static QString path(const QString& name) { return dir->filePath(name); }
  // "@name" stands for the file of that name in the temporary folder, %1, %2 ... for the numbers.
  template <typename... Numbers>
  static QString fill(QString text, Numbers... numbers) {
    text.replace('@', dir->path() + '/');
    ((text = text.arg(numbers)), ...);
    return text;
  }
  // The tool run with the words of `line`.
  static Outcome cli(const QString& line) {
    QProcess p;
    p.start(VISTREL_CLI, fill(line).split(' ', Qt::SkipEmptyParts));
    const bool finished = p.waitForFinished(120'000);
    return {finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
  }

  static inline QTemporaryDir* dir;
  static inline std::vector<recgen::FrameRecord> rec;
};

TEST_F(CheckCli, VerdictsAndExitStatuses) {
  const QString clean = fill("@rec.mjp: intact, 40 frames\n");
  const qint64 size = QFileInfo(path("damaged.mjp")).size();
  const std::tuple<const char*, int, QString> cases[] = {
      {"check @rec.mjp", 0, clean},
      {"check @rec.mjp --jobs 1", 0, clean},
      {"check @damaged.mjp", 3,
       fill("@damaged.mjp: frame 2, positions %1-%2: stray-bytes: 5 bytes\n"
            "@damaged.mjp: frame 3, positions %3-%4: cut-short: the frame starting at position %5 has no end marker\n"
            "@damaged.mjp: 2 findings in 3 frames: 1 stray-bytes, 1 cut-short\n",
            rec[1].EndPos() + 1, rec[1].EndPos() + 5, size - 83, size, size - 51)},
      {"check @rec.mjp @none.mjp", 1, clean},
      {"check @rec.mjp --json --csv", 2, {}},
      {"check @rec.mjp --gap -1", 2, {}},
  };
  for (const auto& [args, code, out] : cases) {
    SCOPED_TRACE(args);
    const Outcome r = cli(args);
    EXPECT_EQ(std::pair(r.code, r.out), std::pair(code, out)) << r.err.toStdString();
    EXPECT_EQ(r.err.isEmpty(), code == 0 || code == 3) << r.err.toStdString();
  }
}

TEST_F(CheckCli, JsonAndCsvCarryTheSameFindings) {
  const Outcome json = cli("check @damaged.mjp @rec.mjp --json");
  EXPECT_EQ(json.code, 3);
  const QStringList lines = json.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].contains(R"("frames":3,"intact":false,"stray_bytes":5,)")) << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains(R"("findings":[{"frame":2,"kind":"stray-bytes",)")) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains(R"("frames":40,"intact":true,)")) << lines[1].toStdString();
  const Outcome csv = cli("check @damaged.mjp @rec.mjp --csv");
  EXPECT_EQ(csv.code, 3);
  const QStringList rows = csv.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 5);
  EXPECT_EQ(rows[0], "file,frame,kind,start,end,details");
  EXPECT_TRUE(rows[3].startsWith(fill("@damaged.mjp,,findings,,,"))) << rows[3].toStdString();
  EXPECT_EQ(rows[4], fill("@rec.mjp,,intact,,,\"intact, 40 frames\""));
}

// Each item verified, then with one byte changed: not verified, and the difference named where it is.
TEST_F(CheckCli, ItemsVerifiedAndOneChangedByteFound) {
  const QByteArray avi = BytesOf(path("copy.avi"));
  const qint64 frame8InAvi = avi.indexOf(BytesOf(path("rec.mjp"), rec[8].jpegPos, rec[8].EndPos()));
  ASSERT_GT(frame8InAvi, 0);
  const QByteArray html = BytesOf(path("rep.html"));
  const qint64 recordingHash =
      html.indexOf(QCryptographicHash::hash(BytesOf(path("rec.mjp")), QCryptographicHash::Sha256).toHex());
  ASSERT_GT(recordingHash, 0);
  const qint64 lastHash = html.lastIndexOf("class=\"hash\">") + 13;  // the last event's peak frame's
  const qint64 cutStart = rec[4].jpegPos;                            // the cut's byte 1
  const qint64 jpegFlip = static_cast<qint64>(rec[7].jpegSize) / 2;
  const std::tuple<const char*, qint64, int, QString> cases[] = {
      // item, byte changed (-1 none; the changed copy's name has an x before the dot), status, the start of its line
      {"f7.jpg", -1, 0,
       fill("verified: @f7.jpg equals frame 7 of @rec.mjp (positions %1-%2): CAM-0417-A02, ", rec[7].jpegPos,
            rec[7].EndPos())},
      {"f7.jpg", jpegFlip, 3,
       fill("not verified: @f7x.jpg: no frame equals it; the nearest, frame 7 (positions %1-%2), differs first at "
            "byte %3 of the JPEG (position %4 of the recording)\n",
            rec[7].jpegPos, rec[7].EndPos(), jpegFlip + 1, rec[7].jpegPos + jpegFlip)},
      {"cut.mjp", -1, 0,
       fill("verified: @cut.mjp is positions %1-%2 of @rec.mjp, byte for byte: frames 4-12 (9 frames)\n", cutStart,
            rec[12].EndPos())},
      {"cut.mjp", 3000, 3,
       fill("not verified: @cutx.mjp: byte 3001 of the cut differs from position %1 of the recording\n",
            cutStart + 3000)},
      {"copy.avi", -1, 0,
       fill("verified: @copy.avi: its 9 packets are frames 4-12 (9 frames) of @rec.mjp, in order, byte for byte\n")},
      {"copy.avi", frame8InAvi + 100, 3,
       fill("not verified: @copyx.avi: packet 4 differs from frame 8 (positions %1-%2) at byte 101 (position %3 of "
            "the recording)\n",
            rec[8].jpegPos, rec[8].EndPos(), rec[8].jpegPos + 100)},
      {"rep.html", -1, 0, fill("verified: @rep.html: its ")},
      {"rep.html", recordingHash + 10, 3, fill("not verified: @repx.html: the report's SHA-256 of the recording is ")},
      {"rep.html", lastHash + 63, 3, fill("not verified: @repx.html: event ")},
  };
  for (const auto& [name, offset, code, line] : cases) {
    SCOPED_TRACE(QStringLiteral("%1 %2").arg(name).arg(offset).toStdString());
    QString item = path(name);
    if (offset >= 0) {
      item = path(QString(name).replace('.', "x."));
      flipped(path(name), item, offset);
    }
    const Outcome r = cli("verify " + item + " --against @rec.mjp");
    EXPECT_EQ(r.code, code) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(line)) << r.out.toStdString() << "\nnot\n" << line.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  }
}

TEST_F(CheckCli, AReportAgainstAnotherRecordingAndWhatCannotBeRead) {
  WriteFile(path("text.avi"), "not an AVI file at all");
  const std::tuple<const char*, int, const char*, const char*> cases[] = {
      // what verify is given, status, the start of stdout, of stderr
      {"@rep.html --against @other.mjp", 3, "not verified: @rep.html: the report's SHA-256 of the recording is ", ""},
      {"@f7.jpg --against @other.mjp", 3, "not verified: @f7.jpg: no frame equals it", ""},
      {"@copy.avi --against @other.mjp", 3, "not verified: @copy.avi: packet 0 equals no frame", ""},
      {"@cut.mjp --against @other.mjp", 3, "not verified: @cut.mjp: no frame of the cut is a frame of the recording",
       ""},
      {"@none.jpg --against @rec.mjp", 1, "", "vistrel-cli: @none.jpg: no such file\n"},
      {"@f7.jpg --against @none.mjp", 1, "", "vistrel-cli: @none.mjp: no such file\n"},
      {"@text.avi --against @rec.mjp", 1, "", "vistrel-cli: @text.avi: cannot be read as an AVI file: "},
      {"@f7.jpg", 2, "", "vistrel-cli verify: --against is required"},
  };
  for (const auto& [args, code, out, err] : cases) {
    SCOPED_TRACE(args);
    const Outcome r = cli(QStringLiteral("verify ") + args);
    EXPECT_EQ(r.code, code) << r.err.toStdString();
    for (const auto& [got, expected] : {std::pair(r.out, fill(out)), std::pair(r.err, fill(err))})
      EXPECT_TRUE(expected.isEmpty() ? got.isEmpty() : got.startsWith(expected)) << got.toStdString();
  }
}

}  // namespace
