#pragma once
// The dialogs of a benchmarked export answered without a person: every save dialog names
// the output, the replace question is answered Yes, the compressor dialog takes the codec
// chosen beforehand, every frame a key frame. Message boxes are collected, never shown, so
// that a pass can tell whether the viewer reported an error.

#include <QStringList>

#include "platform/Modal.h"

namespace vbench {

class BenchModal final : public Modal {
 public:
  QString outputPath;  // what every save dialog answers
  QString codec;       // what the compressor dialog answers
  QStringList messages;

  MsgAnswer message(const QString& text, MsgIcon, MsgButtons buttons) override {
    messages << text;
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
  }
  QString openFile(const FileDialogRequest&) override { return {}; }
  QString saveFile(const FileDialogRequest&) override { return outputPath; }
  void showTime(std::int16_t&) override {}
  void showSaveOptions(ModuleValues& module) override { module.SaveKind |= 128; }  // never asked
  int chooseCompressor(const std::vector<AviCompressor>&, AVICOMPRESSOPTIONS& options) override {
    options = AVICOMPRESSOPTIONS{};
    options.codec = codec;
    options.dwKeyFrameEvery = 1;
    return 1;
  }
};

}  // namespace vbench
