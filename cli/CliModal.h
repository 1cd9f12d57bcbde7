#pragma once
// The dialogs of the viewer's core answered from the command line: every save dialog
// names the output, the replace question is answered Yes only with --force, the
// compressor dialog takes the codec options. Message boxes are collected, never shown.

#include <QStringList>

#include "platform/Modal.h"

class CliModal final : public Modal {
 public:
  QString outputPath;             // what every save dialog answers
  bool replaceExisting = false;   // the answer to "replace the existing file?"
  AVICOMPRESSOPTIONS compressor;  // what the compressor dialog answers
  QStringList messages;           // every message box's text, in order

  MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override;
  QString openFile(const FileDialogRequest&) override { return {}; }
  QString saveFile(const FileDialogRequest&) override { return outputPath; }
  void showTime(std::int16_t&) override {}
  void showSaveOptions(ModuleValues& module) override { module.SaveKind |= 128; }  // not asked: cancelled
  int chooseCompressor(const std::vector<AviCompressor>& offered, AVICOMPRESSOPTIONS& options) override;
};
