#pragma once
// A Modal for tests: answers from queues, records every message it was shown.

#include <deque>
#include <vector>

#include "platform/Modal.h"
#include "support/QtPrinters.h"

// The queue's next answer, taken from it; `fallback` when it is empty.
template <class T>
T PopOr(std::deque<T>& q, T fallback) {
  if (!q.empty()) fallback = std::move(q.front()), q.pop_front();
  return fallback;
}

struct ShownMessage {
  QString text;
  MsgIcon icon;
  MsgButtons buttons;
};

class ScriptedModal final : public Modal {
 public:
  std::vector<ShownMessage> shown;
  std::deque<MsgAnswer> answers;  // popped per message; Ok when empty
  std::deque<QString> files;      // popped per file or folder dialog; "" (cancel) when empty
  std::vector<FileDialogRequest> fileRequests;

  MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override {
    shown.push_back({text, icon, buttons});
    return PopOr(answers, MsgAnswer::Ok);
  }
  QString openFile(const FileDialogRequest& r) override { return file(r); }
  QString saveFile(const FileDialogRequest& r) override { return file(r); }
  QString openFolder(const FileDialogRequest& r) override { return file(r); }

  QStringList texts() const {
    QStringList t;
    for (const auto& m : shown) t << m.text;
    return t;
  }

 private:
  QString file(const FileDialogRequest& r) {
    fileRequests.push_back(r);
    return PopOr(files, QString());
  }
};
