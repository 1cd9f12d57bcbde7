#pragma once
// A Modal for tests: answers from queues, records every message it was shown.

#include <deque>
#include <vector>

#include "platform/Modal.h"
#include "support/QtPrinters.h"

struct ShownMessage {
  QString text;
  MsgIcon icon;
  MsgButtons buttons;
};

class ScriptedModal final : public Modal {
 public:
  std::vector<ShownMessage> shown;
  std::deque<MsgAnswer> answers;  // popped per message; Ok when empty
  std::deque<QString> files;      // popped per file dialog; "" (cancel) when empty
  std::vector<FileDialogRequest> fileRequests;

  MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override {
    shown.push_back({text, icon, buttons});
    return pop(answers, MsgAnswer::Ok);
  }
  QString openFile(const FileDialogRequest& r) override { return file(r); }
  QString saveFile(const FileDialogRequest& r) override { return file(r); }

  QStringList texts() const {
    QStringList t;
    for (const auto& m : shown) t << m.text;
    return t;
  }

 private:
  QString file(const FileDialogRequest& r) {
    fileRequests.push_back(r);
    return pop(files, QString());
  }
  template <class T>
  static T pop(std::deque<T>& q, T fallback) {
    if (q.empty()) return fallback;
    T v = q.front();
    q.pop_front();
    return v;
  }
};
