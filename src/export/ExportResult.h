#pragma once
// How an export ended. The window shows only what the design says (for instance the
// AVI error message); the command-line tool turns the rest into its exit status.

enum class ExportResult {
  Done,       // the whole frame or sequence was written
  Cancelled,  // no name chosen, "No" to replacing, compressor dialog cancelled: nothing written
  Stopped,    // the stop button: the output holds what was written so far
  Failed,     // a file-system or writer error: the output is incomplete
};
