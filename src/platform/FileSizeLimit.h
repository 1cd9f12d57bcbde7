#pragma once
// A file-size limit (ulimit -f) kills a process that writes past it unless SIGXFSZ is
// ignored; ignored, the write that crosses the limit fails with EFBIG like one on a full
// disk, and the export in hand reports it as such.

#include <csignal>

inline void FailWritesPastFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }
