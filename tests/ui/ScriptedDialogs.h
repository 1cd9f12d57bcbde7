#pragma once
// The window's own dialogs (time, save options, compressor) answered from queues.

#include <deque>
#include <functional>
#include <optional>

#include <QStringList>

#include "ui/WindowDialogs.h"

struct ScriptedDialogs final : WindowDialogs {
  std::deque<std::int16_t> timeAnswers;  // as OK; an empty queue answers as Anuluj
  std::deque<std::pair<std::uint8_t, std::uint8_t>> saveAnswers;  // (SaveKind, AviSpeed); empty: Anuluj
  std::deque<std::optional<AVICOMPRESSOPTIONS>> compressorAnswers;  // nullopt or empty: cancelled
  QStringList opened;  // "time", "saveOptions", "compressor", in order
  // Runs as a dialog opens: a test may throw from it, as a failure nobody planned for
  // would, or queue what the user does meanwhile.
  std::function<void(const QString& dialog)> opening;

  void showTime(std::int16_t& PowerOnMinutes) override {
    open("time");
    if (!timeAnswers.empty()) PowerOnMinutes = Pop(timeAnswers);
  }
  void showSaveOptions(ModuleValues& module) override {
    open("saveOptions");
    if (saveAnswers.empty()) module.SaveKind |= 128;
    else std::tie(module.SaveKind, module.AviSpeed) = Pop(saveAnswers);
  }
  std::optional<AVICOMPRESSOPTIONS> chooseCompressor(const std::vector<AviCompressor>&) override {
    open("compressor");
    return compressorAnswers.empty() ? std::nullopt : Pop(compressorAnswers);
  }

 private:
  void open(const char* dialog) {
    opened << QString::fromLatin1(dialog);
    if (opening) opening(opened.back());
  }
  template <class T>
  static T Pop(std::deque<T>& q) {
    T v = std::move(q.front());
    q.pop_front();
    return v;
  }
};
