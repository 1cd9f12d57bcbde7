#pragma once
// The main window's own dialogs: the time correction, the save options and the
// compressor choice. They produce the values the window hands to the viewer. The
// window shows the real ones; window tests install scripted ones.

#include <cstdint>
#include <optional>
#include <vector>

#include "avi/AviFile.h"
#include "viewer/ViewerState.h"

class QWidget;

class WindowDialogs {
 public:
  virtual ~WindowDialogs() = default;
  // The time correction dialog, modal; it may change PowerOnMinutes (only on OK).
  virtual void showTime(std::int16_t& PowerOnMinutes) = 0;
  // The save options dialog, modal; it leaves its answer in SaveKind and AviSpeed, and
  // on OK whether the camera's data goes on the exported pictures in overlay.
  virtual void showSaveOptions(ModuleValues& module, bool& overlay) = 0;
  // The compressor dialog over the offered compressors: the options chosen, or nothing
  // when the user cancelled.
  virtual std::optional<AVICOMPRESSOPTIONS> chooseCompressor(const std::vector<AviCompressor>& offered) = 0;
};

// The real dialogs, modal over parent.
class QtDialogs final : public WindowDialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void showTime(std::int16_t& PowerOnMinutes) override;
  void showSaveOptions(ModuleValues& module, bool& overlay) override;
  std::optional<AVICOMPRESSOPTIONS> chooseCompressor(const std::vector<AviCompressor>& offered) override;

 private:
  QWidget* parent_;
};
