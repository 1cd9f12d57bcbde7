#pragma once
// A Modal for tests: answers from queues, records every message it was shown.

#include <deque>
#include <functional>
#include <tuple>
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
  std::deque<MsgAnswer> answers;        // popped per message; Ok when empty
  std::deque<QString> files;            // popped per file dialog; "" (cancel) when empty
  std::vector<FileDialogRequest> fileRequests;
  // Runs as a dialog ("openFile", "chooseCompressor") opens: a test may throw from it, as
  // a failure nobody planned for would, or queue what the user does meanwhile.
  std::function<void(const QString& dialog)> beforeDialog;

  MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override {
    shown.push_back({text, icon, buttons});
    return pop(answers, MsgAnswer::Ok);
  }
  QString openFile(const FileDialogRequest& r) override {
    opening("openFile");
    fileRequests.push_back(r);
    return pop(files, QString());
  }
  QString saveFile(const FileDialogRequest& r) override {
    fileRequests.push_back(r);
    return pop(files, QString());
  }

  // The time dialog: counts showings; answers with the queued value (as if OK), or
  // leaves the value unchanged (as if Cancel) when the queue is empty.
  int timeShown = 0;
  std::deque<std::int16_t> timeAnswers;
  void showTime(std::int16_t& PowerOnMinutes) override {
    ++timeShown;
    PowerOnMinutes = pop(timeAnswers, PowerOnMinutes);
  }

  // The save options dialog: answers (SaveKind, AviSpeed) from the queue; an empty
  // queue answers as Anuluj does (bit 7 set).
  int saveOptionsShown = 0;
  std::deque<std::pair<std::uint8_t, std::uint8_t>> saveAnswers;
  void showSaveOptions(ModuleValues& module) override {
    ++saveOptionsShown;
    if (saveAnswers.empty()) {
      module.SaveKind |= 128;
      return;
    }
    std::tie(module.SaveKind, module.AviSpeed) = saveAnswers.front();
    saveAnswers.pop_front();
  }

  // The compressor dialog: the queued options (answer 1), or cancel (0) when empty.
  int compressorShown = 0;
  std::vector<AviCompressor> compressorsOffered;
  std::deque<AVICOMPRESSOPTIONS> compressorAnswers;
  int chooseCompressor(const std::vector<AviCompressor>& offered, AVICOMPRESSOPTIONS& options) override {
    opening("chooseCompressor");
    ++compressorShown;
    compressorsOffered = offered;
    if (compressorAnswers.empty()) return 0;
    options = compressorAnswers.front();
    compressorAnswers.pop_front();
    return 1;
  }

  QStringList texts() const {
    QStringList t;
    for (const auto& m : shown) t << m.text;
    return t;
  }

 private:
  void opening(const char* dialog) const {
    if (beforeDialog) beforeDialog(QString::fromLatin1(dialog));
  }
  template <class T>
  static T pop(std::deque<T>& q, T fallback) {
    if (q.empty()) return fallback;
    T v = q.front();
    q.pop_front();
    return v;
  }
};
