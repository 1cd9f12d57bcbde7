#include "platform/Modal.h"

namespace {

// Without a window nobody is there to read a message box: nothing is shown, and every
// question gets the answer that changes nothing.
class NoWindowModal final : public Modal {
 public:
  MsgAnswer message(const QString&, MsgIcon, MsgButtons buttons) override {
    switch (buttons) {
      case MsgButtons::YesNo: return MsgAnswer::No;
      case MsgButtons::OkCancel: return MsgAnswer::Cancel;
      case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
  }
  QString openFile(const FileDialogRequest&) override { return {}; }
  QString saveFile(const FileDialogRequest&) override { return {}; }
};

NoWindowModal noWindowModal;
Modal* installed = nullptr;

}  // namespace

Modal& Modal::current() { return installed ? *installed : noWindowModal; }

Modal* Modal::install(Modal* m) {
  Modal* previous = installed;
  installed = m;
  return previous;
}
