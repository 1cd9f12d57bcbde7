// vistrel-cli as a script sees it. VISTREL_UPDATE_GOLDEN=1 rewrites golden/ instead of comparing.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "RecordingGenerator.h"
#include "support/FileContents.h"
#include "support/Probe.h"
#include "support/QtPrinters.h"

namespace {

struct Outcome {
  int code;
  QByteArray out, err;
};

// The program run with `env` ("NAME=value") added to the environment.
Outcome run(const QString& program, const QStringList& args, const QStringList& env = {}) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString& v : env) e.insert(v.section('=', 0, 0), v.section('=', 1));
  p.setProcessEnvironment(e);
  p.start(program, args);
  const bool finished = p.waitForFinished(120'000);
  return {finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

recgen::Options small(int frames) {
  return {.seed = 3, .frames = frames, .width = 32, .height = 24, .textTimeEvery = 5};
}

class Cli : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    kinds = recgen::WriteRecording(path("kinds.mjp").toStdString(), small(16));
    // An undecodable frame, a block of no known kind, a hidden speed that keeps its text.
    recgen::RecordingBuilder b;
    b.Frames(small(2));
    recgen::Bytes bad = recgen::EncodeScene(3, 3, 32, 24);
    std::fill(bad.begin() + 2, bad.begin() + 300, 0);
    b.Append(recgen::MeasurementBlock("CAM-0417-A02", 77, 190, 4000)).Append(recgen::EncodeScene(3, 2, 32, 24));
    b.Append(recgen::MeasurementBlock("CAM-0417-A02", 99, 150, 4001)).Append(bad);
    b.Append("ABCD is no block of this camera").Fill(1, ' ').Append(recgen::EncodeScene(3, 4, 32, 24));
    b.Append(recgen::MeasurementBlock("CAM-0417-A02", 0, 220, 4002)).Append(recgen::EncodeScene(3, 5, 32, 24));
    b.Append(recgen::TextTimeBlock("CAM-0417-A02", "06.12.2026 10:15")).Append(recgen::EncodeScene(3, 6, 32, 24));
    b.Write(path("damaged.mjp").toStdString());
  }
  static void TearDownTestSuite() { delete dir; }
  static QString path(const QString& name) { return dir->filePath(name); }
  // @REC, @DIR and @OUT stand for the kinds recording, the temporary folder and an unused name.
  static QString fill(QString text) {
    return text.replace("@REC", path("kinds.mjp")).replace("@DIR", dir->path()).replace("@OUT", path("out.mjp"));
  }
  static Outcome cli(const QStringList& args) { return run(VISTREL_CLI, args); }
  static Outcome cli(const QString& line) { return cli(fill(line).split(' ', Qt::SkipEmptyParts)); }
  // The bytes of frames [a, b] of the kinds recording, start marker to end marker each.
  static QByteArray frameBytes(int a, int b) {
    QByteArray out;
    for (int k = a; k <= b; ++k) out += BytesOf(path("kinds.mjp"), kinds[k].jpegPos, kinds[k].EndPos());
    return out;
  }

  static inline QTemporaryDir* dir;
  static inline std::vector<recgen::FrameRecord> kinds;
};

TEST_F(Cli, FramesMatchTheGoldenOutput) {
  for (const auto& [golden_, args] : {std::pair{"kinds.jsonl", "frames @REC"},
                                      {"power-on.jsonl", "frames @REC --power-on 07:30 --no-decode"},
                                      {"damaged.jsonl", "frames @DIR/damaged.mjp"}}) {
    SCOPED_TRACE(golden_);
    const Outcome r = cli(args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString golden = QStringLiteral(VISTREL_GOLDEN_DIR "/") + golden_;
    ASSERT_TRUE(!qEnvironmentVariableIsSet("VISTREL_UPDATE_GOLDEN") || WriteFile(golden, r.out));
    EXPECT_EQ(QString::fromUtf8(r.out), QString::fromUtf8(BytesOf(golden)));
  }
}

TEST_F(Cli, UsageErrorsAndFailuresSayWhatWentWrong) {
  WriteFile(path("taken.mjp"), {});
  const std::tuple<int, const char*, const char*> cases[] = {
      // status, arguments, the start of stderr's one line
      // clang-format off
      {2, "", "vistrel-cli: no command given (see --help)"},
      {2, "play @REC", "vistrel-cli: unknown command 'play'"},
      {2, "frames", "vistrel-cli frames: no recording given"},
      {2, "frames @REC --fast", "vistrel-cli frames: unknown option --fast"},
      {2, "frames @REC --power-on 24:00", "vistrel-cli frames: --power-on must be HH:MM"},
      {2, "events @REC --over 60 --power-on 25:61 --csv", "vistrel-cli events: --power-on must be HH:MM from 00:00 to 23:59, not '25:61' (see --help)\n"},
      {2, "events @DIR --over 60 --power-on 7:60", "vistrel-cli events: --power-on must be HH:MM"},
      {2, "telemetry @DIR --csv --power-on 25:00", "vistrel-cli telemetry: --power-on must be HH:MM"},
      {2, "events @DIR --over 60 --csv --jobs 0", "vistrel-cli events: --jobs must be a whole number from 1 to 256"},
      {2, "telemetry @DIR --csv --jobs 0", "vistrel-cli telemetry: --jobs must be a whole number from 1 to 256"},
      {2, "export-jpeg @REC --frame 1 --power-on 25:61 -o @OUT", "vistrel-cli export-jpeg: --power-on must be HH:MM"},
      {2, "frames --", "vistrel-cli frames: no recording given"},
      {1, "frames -- --help", "vistrel-cli: --help: no such file\n"},
      {1, "frames @DIR/none.mjp", "vistrel-cli: @DIR/none.mjp: no such file"},
      {1, "export-jpeg @DIR --frame 1 -o @OUT", "vistrel-cli: @DIR: is a directory"},
      {2, "export-jpeg @REC --frame 16 -o @OUT", "vistrel-cli export-jpeg: @REC has 16 frames: frame 16 is past the last"},
      {2, "export-jpeg @REC --frame 1", "vistrel-cli export-jpeg: -o is required"},
      {2, "export-mjp @REC --from 50 --to 40 -o @OUT", "vistrel-cli export-mjp: the range 50 to 40 is reversed"},
      {2, "export-mjp @REC --from 50 --to 50 -o @OUT", "vistrel-cli export-mjp: the range 50 to 50 is empty"},
      {2, "export-mjp @REC --from 1 --to 999999 -o @OUT", "vistrel-cli export-mjp: --to 999999 is past the end of @REC"},
      {2, "export-mjp @REC --frames 3:3 -o @OUT", "vistrel-cli export-mjp: --frames 3:3 is a sequence of zero length"},
      {2, "export-mjp @REC --frames 4:2 -o @OUT", "vistrel-cli export-mjp: --frames 4:2 is reversed"},
      {2, "export-mjp @REC --frames 2:4 --from 1 -o @OUT", "vistrel-cli export-mjp: give --frames or --from and --to, not both"},
      {1, "export-mjp @REC --frames 2:4 -o @DIR/taken.mjp", "vistrel-cli: @DIR/taken.mjp: exists (use --force to replace it)"},
      {1, "export-mjp @REC --frames 2:4 -o @DIR/no/out.mjp", "vistrel-cli: @DIR/no/out.mjp: cannot be written"},
      {1, "export-mjp @REC --frames 2:4 --force -o @REC", "vistrel-cli: @REC: is the recording itself"},
      {2, "export-avi @REC --frames 2:4 --fps 31 --codec raw -o @OUT", "vistrel-cli export-avi: --fps must be a whole number from 1 to 30"},
      {2, "export-avi @REC --frames 2:4 --fps 10 --codec divx -o @OUT", "vistrel-cli export-avi: unknown codec 'divx' (here: raw, mjpeg"},
      {2, "export-avi @REC --frames 2:4 --fps 10 --codec copy --overlay -o @OUT", "vistrel-cli export-avi: --overlay needs a codec that encodes pictures"},
      {2, "export-jpeg @REC --frame 1 --overlay-at top -o @OUT", "vistrel-cli export-jpeg: --overlay-text and --overlay-at need --overlay"},
      {2, "export-jpeg @REC --frame 1 --overlay --overlay-at left -o @OUT", "vistrel-cli export-jpeg: --overlay-at must be top or bottom, not 'left'"},
      {1, "export-avi @DIR/damaged.mjp --frames 1:5 --fps 10 --codec mjpeg -o @DIR/bad.avi", "vistrel-cli: @DIR/bad.avi: the frame at position"},
      // clang-format on
  };
  for (const auto& [code, args, line] : cases) {
    SCOPED_TRACE(args);
    const Outcome r = cli(args);
    EXPECT_EQ(std::tuple(r.code, r.err.startsWith(fill(line).toUtf8()), r.err.count('\n'), r.out.isEmpty()),
              std::tuple(code, true, 1, true))
        << r.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(path("out.mjp")));
}

// Marking frames 2 and 5 takes them and everything between, blocks included; byte positions too, and --force
// replaces what the run before wrote. The AVI copy holds every frame's bytes as stored, even an undecodable one's.
// The JPEG's original stays exact, the camera's data on its copy beside it.
TEST_F(Cli, ExportsWriteWhatWasAsked) {
  for (const char* line :
       {"export-mjp @REC --frames 2:5 -o @DIR/2-5.mjp", "export-mjp @REC --from 10 --to 12000 -o @DIR/b.mjp",
        "export-mjp @REC --from 11 --to 12000 -o @DIR/b.mjp --force",
        "export-avi @REC --frames 3:11 --fps 12 --codec copy -o @DIR/copy.avi",
        "export-avi @DIR/damaged.mjp --frames 1:5 --fps 10 --codec copy -o @DIR/d.avi",
        "export-jpeg @REC --frame 7 --overlay --power-on 07:30 -o @DIR/o7.jpg",
        "export-avi @REC --frames 3:4 --fps 10 --codec raw --overlay --overlay-at top -o @DIR/o.avi"}) {
    const Outcome r = cli(line);
    ASSERT_EQ(r.code, 0) << line << ": " << r.err.toStdString();
  }
  EXPECT_TRUE(BytesOf(path("2-5.mjp")) == BytesOf(path("kinds.mjp"), kinds[2].jpegPos, kinds[5].EndPos()));
  EXPECT_TRUE(BytesOf(path("b.mjp")) == BytesOf(path("kinds.mjp"), 11, 12000));
  const auto s = ProbeStream(path("copy.avi"));
  EXPECT_EQ(s.at("nb_read_frames") + " " + s.at("r_frame_rate") + " " + s.at("width") + "x" + s.at("height"),
            "9 12/1 32x24");
  EXPECT_TRUE(RunTool("ffmpeg", {"-v", "error", "-i", path("copy.avi"), "-c", "copy", "-f", "mjpeg", "-"}) ==
              frameBytes(3, 11));
  EXPECT_EQ(PacketFlags(path("d.avi")).size(), 5);
  EXPECT_TRUE(BytesOf(path("o7.jpg")) == frameBytes(7, 7));
  EXPECT_EQ(ProbeStream(path("o7-opis.jpg")).at("width"), "32");
  EXPECT_EQ(ProbeStream(path("o.avi")).at("nb_read_frames"), "2");
}

// Several recordings: each one's lines as its own run prints them, its file first, in the order of the arguments
// and then of names within a folder (any depth, .mjp in any case, nothing else); a bad one in the middle gives
// its one error line and the run goes on; the same for any number of jobs.
TEST_F(Cli, ManyRecordingsInOneRun) {
  QDir(dir->path()).mkpath("many/sub");
  recgen::WriteRecording(path("many/sub/b.MJP").toStdString(), small(3));
  QFile::copy(path("kinds.mjp"), path("many/a.mjp"));
  WriteFile(path("many/notes.txt"), {});
  const QStringList order{path("damaged.mjp"), path("many/a.mjp"), path("many/sub/b.MJP")};
  QByteArray expected;
  for (const QString& file : order)
    for (const QByteArray& line : cli({"frames", file}).out.split('\n'))
      if (!line.isEmpty()) expected += "{\"file\":\"" + file.toUtf8() + "\"," + line.mid(1) + '\n';
  for (const char* jobs : {"1", "4"}) {
    SCOPED_TRACE(jobs);
    const Outcome r = cli({"frames", path("damaged.mjp"), path("none.mjp"), path("many"), "--jobs", jobs});
    EXPECT_EQ(std::tuple(r.code, r.err, r.out),
              std::tuple(1, "vistrel-cli: " + path("none.mjp").toUtf8() + ": no such file\n", expected));
  }
  const Outcome csv = cli({"telemetry", path("many"), "--csv"});
  EXPECT_TRUE(csv.out.startsWith("file,frame,position,") && csv.out.count(path("many/sub/b.MJP").toUtf8()) == 3)
      << csv.out.toStdString();
}

// Events as JSON lines and CSV rows, times as the time display shows them with the power-on time.
TEST_F(Cli, EventsOverALimit) {
  recgen::RecordingBuilder b;
  b.Fill(100, ' ');
  const int speeds[] = {40, 60, 70, 70, 0, 80};
  for (int k = 0; k < 6; ++k)
    b.Append(recgen::MeasurementBlock("CAM-0417-A02", speeds[k], 200, 3600 + k))
        .Append(recgen::EncodeScene(3, k, 32, 24));
  b.Write(path("events.mjp").toStdString());
  const auto event = [&](const char* rest) { return R"({"file":")" + path("events.mjp") + R"(",)" + rest + "}\n"; };
  const Outcome json = cli({"events", path("events.mjp"), "--over", "60", "--power-on", "07:30"});
  EXPECT_EQ(std::pair(json.code, QString::fromUtf8(json.out)),
            std::pair(0, event(R"("first":1,"last":3,"first_time":"08:30:01","last_time":"08:30:03","peak_kmh":70,)"
                               R"("peak_frame":2)") +
                             event(R"("first":5,"last":5,"first_time":"08:30:05","last_time":"08:30:05","peak_kmh":80,)"
                                   R"("peak_frame":5)")));
  const Outcome csv = cli({"events", path("events.mjp"), "--over", "75", "--csv"});
  EXPECT_EQ(QString::fromUtf8(csv.out), "file,first,last,first_time,last_time,peak_kmh,peak_frame\n" +
                                            path("events.mjp") + ",5,5,001:00:05,001:00:05,80,5\n");
}

// Only what writes an AVI loads FFmpeg's libraries, only what draws QtGui (in the drawing program the
// tool hands the command to); without either part the command says why.
TEST_F(Cli, HeavyLibrariesAreLoadedOnlyWhenNeeded) {
  const QStringList avi = fill("export-avi @REC --frames 1:2 --fps 10 --codec mjpeg --force -o @DIR/l.avi").split(' ');
  const QStringList plot = fill("plot @REC --force -o @DIR/l.svg").split(' ');
  const QString frames = run(VISTREL_CLI, {"frames", path("kinds.mjp")}, {"LD_DEBUG=libs"}).err;
  EXPECT_FALSE(frames.contains("libavformat") || frames.contains("libQt6Gui")) << frames.toStdString();
  EXPECT_TRUE(run(VISTREL_CLI, avi, {"LD_DEBUG=libs"}).err.contains("libavformat"));
  EXPECT_TRUE(run(VISTREL_CLI, plot, {"LD_DEBUG=libs"}).err.contains("libQt6Gui"));
  for (const auto& [args, env, err] :
       {std::tuple{avi, "VISTREL_AVI_MODULE=/nonexistent/module.so",
                   "the AVI writer: cannot be loaded: /nonexistent/module.so was not found\n"},
        {plot, "VISTREL_CLI_DRAW=/nonexistent/vistrel-cli-draw", "vistrel-cli-draw: not found (drawing needs it)\n"}}) {
    const Outcome r = run(VISTREL_CLI, args, {env});
    EXPECT_EQ(std::pair(r.code, r.err), std::pair(1, "vistrel-cli: " + QByteArray(err)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
