#include "platform/Modal.h"

#include <cstdio>

namespace {

// Without a window: say it on stderr, answer as if the default button was taken.
class ConsoleModal final : public Modal {
 public:
  MsgAnswer message(const QString& text, MsgIcon, MsgButtons buttons) override {
    std::fprintf(stderr, "Vistrel: %s\n", text.toLocal8Bit().constData());
    switch (buttons) {
      case MsgButtons::YesNo: return MsgAnswer::No;
      case MsgButtons::OkCancel: return MsgAnswer::Cancel;
      case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
  }
  QString openFile(const FileDialogRequest&) override { return {}; }
  QString saveFile(const FileDialogRequest&) override { return {}; }
  void showTime(std::int16_t&) override {}
  void showSaveOptions(ModuleValues& module) override { module.SaveKind |= 128; }
  int chooseCompressor(const std::vector<AviCompressor>&, AVICOMPRESSOPTIONS&) override { return 0; }
};

ConsoleModal consoleModal;
Modal* installed = nullptr;

}  // namespace

Modal& Modal::current() { return installed ? *installed : consoleModal; }

Modal* Modal::install(Modal* m) {
  Modal* previous = installed;
  installed = m;
  return previous;
}
