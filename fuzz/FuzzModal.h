#pragma once
// The Modal the fuzz targets install: no window, nothing printed. It counts what it
// was shown, answers every open and save dialog with one path each and picks the
// uncompressed AVI compressor, the cheapest one to run thousands of times.

#include "platform/Modal.h"

class FuzzModal final : public Modal {
 public:
  QString openAnswer;  // the path every open dialog answers; empty cancels
  QString saveAnswer;  // the path every save dialog answers; empty cancels
  int messages = 0;    // message boxes since the last Reset
  int criticals = 0;   // of those, with the Critical icon

  void Reset() { messages = criticals = 0; }

  MsgAnswer message(const QString&, MsgIcon icon, MsgButtons buttons) override {
    ++messages;
    if (icon == MsgIcon::Critical) ++criticals;
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
  }
  QString openFile(const FileDialogRequest&) override { return openAnswer; }
  QString saveFile(const FileDialogRequest&) override { return saveAnswer; }
  void showTime(std::int16_t&) override {}
  void showSaveOptions(ModuleValues& module) override { module.SaveKind |= 128; }
  int chooseCompressor(const std::vector<AviCompressor>&, AVICOMPRESSOPTIONS& options) override {
    options = AVICOMPRESSOPTIONS{};
    options.codec = QStringLiteral("raw");
    return 1;
  }
};
