#include "CliModal.h"

MsgAnswer CliModal::message(const QString& text, MsgIcon, MsgButtons buttons) {
  messages << text;
  switch (buttons) {
    case MsgButtons::YesNo:
      return replaceExisting ? MsgAnswer::Yes : MsgAnswer::No;
    case MsgButtons::OkCancel:
      return MsgAnswer::Cancel;
    case MsgButtons::Ok:
      break;
  }
  return MsgAnswer::Ok;
}

int CliModal::chooseCompressor(const std::vector<AviCompressor>& offered, AVICOMPRESSOPTIONS& options) {
  options = compressor;
  // As the dialog does: a data rate reaches only the compressors that use one.
  bool usesDataRate = false;
  for (const AviCompressor& c : offered) usesDataRate |= c.name == compressor.codec && c.usesDataRate;
  if (!usesDataRate) options.dwBytesPerSecond = 0;
  return 1;
}
