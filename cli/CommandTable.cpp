// The commands and their help texts.

#include "Commands.h"

namespace {

// Several recordings in one run, as the walk commands take them.
#define MANY_HELP                                                                                    \
  "\nSeveral files, or a folder (searched at any depth for .mjp files, links to folders followed,\n" \
  "a folder reached again searched once), are walked side by side and printed in the order\n"        \
  "given, then of names in natural order (cam2 before cam10), every record with its \"file\"\n"      \
  "first (CSV: a first column; the table: a heading per recording). In JSON and CSV a name's\n"      \
  "bytes that are not UTF-8 are written \\xHH, and a backslash \\\\. A folder or recording that\n"   \
  "cannot be read gives its one error line on stderr; the run goes on and ends with status 1.\n"     \
  "CSV text cells starting with = + - @ tab CR or ' get a ' before them.\n\n"                        \
  "  --jobs N             recordings walked at once (default: the number of cores)\n"

constexpr const char* kFramesHelp =
    R"(usage: vistrel-cli frames FILE|FOLDER... [--power-on HH:MM] [--no-decode] [--jobs N]

One JSON object per line for each frame that stepping forward from the opening visits
(a frame that cannot be decoded included), with the information panel as the viewer
shows it after that frame:

  n, start, end        frame number from 0; file positions (from 1) of its first and last byte
  decoded, width, height   whether it was decoded, and its size (0 when not decoded)
  kind                 NoBlock, Measurement, TextTime or Unrecognised
  ident, speed_kmh, battery_raw, battery_volts, seconds, time_text
                       the information block's fields; null where the kind has none
  panel                {lblTime, lblBattInfo, shBatt ("#RRGGBB"), lblInfo, lblInfo_visible,
                       lblIdent}: what the panel shows; what a frame does not write stays
                       from earlier frames, from the panel's first texts on

  --power-on HH:MM     the camera's power-on time: times of day instead of time since power-on
  --no-decode          find the frames without decoding them (much faster): every frame then
                       has decoded false, width and height 0, and counts as shown, so the
                       panel takes the block of a frame the viewer could not show as well
)" MANY_HELP;

constexpr const char* kTelemetryHelp =
    R"(usage: vistrel-cli telemetry FILE|FOLDER... [--power-on HH:MM] [--csv] [--no-decode] [--jobs N]

The walk of 'frames' as a table: frame number, file position of the frame, and the
panel's identifier, speed, battery level and time after that frame, as the viewer shows
them (the speed is empty while the viewer hides it).

  --power-on HH:MM     the camera's power-on time: times of day instead of time since power-on
  --csv                comma-separated, with a header line; the speed is in km/h
  --no-decode          as for 'frames'
)" MANY_HELP;

// The overlay's companions, as export-jpeg and export-avi take them.
#define OVERLAY_HELP                                                                          \
  "  --overlay-text FORMAT  the caption: {ident}, {time} and {speed} stand for the panel's\n" \
  "                       identifier, time and speed after the frame (the speed is empty\n"   \
  "                       while the viewer hides it); default \"{ident}  {time}  {speed}\"\n" \
  "  --overlay-at top|bottom  the band's edge (default bottom)\n"                             \
  "  --power-on HH:MM     the camera's power-on time: the caption's time as a time of day\n"

constexpr const char* kEventsHelp =
    R"(usage: vistrel-cli events FILE|FOLDER... --over KMH [--power-on HH:MM] [--csv] [--jobs N]
       vistrel-cli events --db INDEX [FILE|FOLDER...] --over KMH [--power-on HH:MM] [--csv]

Where the recording went over a speed limit: each run of consecutive measurement frames at
or above KMH is one event (a frame without a measurement, or below the limit, ends it). One
JSON object per line, keys in this order (or CSV rows with a header):

  file                 the recording
  first, last          frame numbers from 0, as 'frames' counts them, both in the run
  first_time, last_time  the time display after those frames, as the viewer shows it
  peak_kmh, peak_frame   the highest speed, and the first frame of the run that measured it

  --over KMH           the limit, km/h (0 to 1000)
  --power-on HH:MM     the camera's power-on time: the times as times of day
  --csv                comma-separated, with a header line; a text cell starting with
                       = + - @ tab CR or ' gets a ' before it
  --jobs N             recordings walked at once (default: the number of cores)
  --db INDEX           answer from the archive's index ('vistrel-cli index') instead of
                       walking: the same lines, for the recordings named or every one
                       indexed; one that changed since it was indexed gives an error line

Frames are found without decoding them. Several files and folders are taken as 'frames'
takes them.
)";

constexpr const char* kPlotHelp =
    R"(usage: vistrel-cli plot FILE -o OUT.svg|OUT.png [--over KMH] [--size WxH] [--power-on HH:MM] [--force]

Speed against the camera's time for the whole recording: every measurement frame is a
point, consecutive measurements are joined, the axes carry their units.

  -o OUT               the picture to write: SVG or PNG, by its extension
  --over KMH           the limit, drawn as a line; the frames at or over it are marked
  --size WxH           the picture's size in pixels (default 1200x500)
  --power-on HH:MM     the camera's power-on time: the time axis in times of day
  --force              replace OUT if it exists
)";

constexpr const char* kReportHelp =
    R"(usage: vistrel-cli report FILE --over KMH -o OUT.pdf|OUT.html [--lang en|pl] [--power-on HH:MM] [--force]

An evidence report: the recording's name, size and SHA-256, its camera identifiers, its
first and last time, the speed plot, the events over KMH (as 'events' finds them), and for
each event its peak frame: the picture, its speed, time and identifier, and the SHA-256 of
the frame's original JPEG bytes (the bytes 'export-jpeg' writes for that frame), so that
anyone can check an exported frame against the report. A frame whose JPEG data the decoder
reports damaged is marked so.

  --over KMH           the limit, km/h (0 to 1000)
  -o OUT               a PDF, or one self-contained HTML file, by its extension
  --lang en|pl         the report's language, its numbers and dates in that language's form
                       (default en; the window writes pl)
  --power-on HH:MM     the camera's power-on time: the times as times of day
  --force              replace OUT if it exists
)";

constexpr const char* kJpegHelp = R"(usage: vistrel-cli export-jpeg FILE --frame N -o OUT [--force]
                               [--overlay [--overlay-text FORMAT] [--overlay-at top|bottom]]
                               [--power-on HH:MM]

Writes frame N (numbered from 0, as 'frames' numbers them) exactly as it is stored in
the recording. Nothing is decoded: a damaged frame's bytes are written too.

  --frame N            the frame
  -o OUT               the JPEG file to write
  --force              replace OUT (and its annotated copy) if it exists
  --overlay            also write an annotated copy beside OUT, "-opis" before its
                       extension (klatka.jpg -> klatka-opis.jpg): the frame decoded, the
                       camera's data on a dark band, encoded at quality 95
)" OVERLAY_HELP;

constexpr const char* kMjpHelp =
    R"(usage: vistrel-cli export-mjp FILE (--from POS --to POS | --frames A:B) -o OUT [--force]

Writes bytes POS to POS of the recording (file positions from 1, both included) as a
new MJP recording, copied in pieces of 1,000,000 bytes as the viewer copies them.

  --from POS --to POS  the first and the last byte
  --frames A:B         from the first byte of frame A to the last byte of frame B
                       (A before B): the marks that marking A, then B, sets in the viewer
  -o OUT               the MJP file to write
  --force              replace OUT if it exists

Ctrl-C stops the export; the file then holds what was written, and the status is 1.
)";

constexpr const char* kAviHelp = R"(usage: vistrel-cli export-avi FILE (--from POS --to POS | --frames A:B) --fps N
                              --codec NAME [--keyint K] [--bitrate B] -o OUT [--force]
                              [--overlay [--overlay-text FORMAT] [--overlay-at top|bottom]]
                              [--power-on HH:MM]

Converts the frames of a range into an AVI video with the viewer's conversion: from the
first frame that starts at or after --from, each frame is decoded and written as a key
frame until a frame ends at or after --to. The video's size is that of the range's first
frame. A frame that cannot be decoded ends the conversion, as in the viewer; this is then
reported (status 1) and the file holds the frames before it.

  --from POS --to POS  file positions from 1; or --frames A:B as for export-mjp
  --fps N              frames per second, 1 to 30
  --codec NAME         raw, mjpeg, ffv1, utvideo, magicyuv, huffyuv, mpeg4, h264 (those this
                       FFmpeg offers), or copy: each frame's JPEG bytes as they are stored,
                       as a Motion JPEG stream, with nothing decoded or encoded (lossless,
                       fast; frames that cannot be decoded are copied too)
  --keyint K           a key frame every K frames (default 1: every frame)
  --bitrate B          data rate in bits per second, with k or M (mjpeg, mpeg4, h264);
                       without it they use a fixed quality
  -o OUT               the AVI file to write
  --force              replace OUT if it exists
  --overlay            every frame carries the camera's data on a dark band (not with copy)
)" OVERLAY_HELP R"(
Ctrl-C stops the conversion; the file then holds the frames written, and the status is 1.
)";

// An export's options and those of the camera's data on its pictures (OVERLAY_HELP).
std::vector<OptionSpec> withOverlay(std::vector<OptionSpec> options) {
  options.insert(options.end(),
                 {{"--overlay", false}, {"--overlay-text", true}, {"--overlay-at", true}, {"--power-on", true}});
  return options;
}

}  // namespace

const std::vector<CliCommand>& Commands() {
  static const std::vector<CliCommand> commands{
      {"frames",
       "every frame's position, camera data and panel texts, as JSON lines",
       {{"--power-on", true}, {"--no-decode", false}, {"--jobs", true}},
       kFramesHelp,
       RunFrames},
      {"telemetry",
       "the same walk as a table, or CSV, for people",
       {{"--power-on", true}, {"--csv", false}, {"--no-decode", false}, {"--jobs", true}},
       kTelemetryHelp,
       RunTelemetry},
      {"events",
       "where the speed was at or over a limit, one line per run of frames",
       {{"--over", true}, {"--power-on", true}, {"--csv", false}, {"--jobs", true}, {"--db", true}},
       kEventsHelp,
       RunEvents},
      IndexCommand(),
      ArchiveCommand(),
      CheckCommand(),
      VerifyCommand(),
      {"plot",
       "speed against the camera's time, as an SVG or PNG picture",
       {{"-o", true}, {"--over", true}, {"--size", true}, {"--power-on", true}, {"--force", false}},
       kPlotHelp,
       RunPlot},
      {"report",
       "an evidence report of the events over a limit, as PDF or HTML",
       {{"--over", true}, {"-o", true}, {"--lang", true}, {"--power-on", true}, {"--force", false}},
       kReportHelp,
       RunReport},
      {"export-jpeg", "one frame's exact bytes as a JPEG file",
       withOverlay({{"--frame", true}, {"-o", true}, {"--force", false}}), kJpegHelp, RunExportJpeg},
      {"export-mjp",
       "a stretch of the recording as a new MJP recording",
       {{"--from", true}, {"--to", true}, {"--frames", true}, {"-o", true}, {"--force", false}},
       kMjpHelp,
       RunExportMjp},
      {"export-avi", "a stretch converted into an AVI video",
       withOverlay({{"--from", true},
                    {"--to", true},
                    {"--frames", true},
                    {"--fps", true},
                    {"--codec", true},
                    {"--keyint", true},
                    {"--bitrate", true},
                    {"-o", true},
                    {"--force", false}}),
       kAviHelp, RunExportAvi},
  };
  return commands;
}
