#include "ui/WindowDialogs.h"

#include "ui/CompressorDialog.h"
#include "ui/frmOptSave.h"
#include "ui/frmTime.h"

void QtDialogs::showTime(std::int16_t& PowerOnMinutes) {
  frmTime dialog(PowerOnMinutes, parent_);
  dialog.exec();
}

void QtDialogs::showSaveOptions(ModuleValues& module, bool& overlay) {
  frmOptSave dialog(module, parent_, &overlay);
  dialog.exec();
}

std::optional<AVICOMPRESSOPTIONS> QtDialogs::chooseCompressor(const std::vector<AviCompressor>& offered) {
  AVICOMPRESSOPTIONS options;
  CompressorDialog dialog(offered, options, parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return options;
}
