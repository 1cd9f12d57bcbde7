#pragma once
// Every message box, file dialog and modal window goes through Modal.
// The window installs the Qt implementation; tests install a scripted one that
// answers from a queue and records what it was shown; without either, messages
// go to stderr and questions get their default answer (the command-line tool).

#include <cstdint>

#include <vector>

#include <QString>
#include <QStringList>

#include "export/AviFile.h"
#include "shell/ViewerState.h"

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// A file dialog as the viewer describes it: the filter is the "desc|pattern|…"
// form; the answer is the chosen full path, empty when cancelled.
struct FileDialogRequest {
  QString title;
  QString fileName;  // proposed name or full path
  QString filter;    // "desc|*.EXT|desc|*.*"
};

class Modal {
 public:
  virtual ~Modal() = default;

  // A modal message box with the program's title "Vistrel" as its caption.
  virtual MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) = 0;
  virtual QString openFile(const FileDialogRequest& request) = 0;
  virtual QString saveFile(const FileDialogRequest& request) = 0;
  // The time correction dialog, modal; it may change PowerOnMinutes (only on OK).
  virtual void showTime(std::int16_t& PowerOnMinutes) = 0;
  // The save options dialog, modal; it leaves its answer in SaveKind and AviSpeed.
  virtual void showSaveOptions(ModuleValues& module) = 0;
  // The compressor dialog over the offered compressors: 1 with options filled when
  // the user confirmed, 0 when cancelled.
  virtual int chooseCompressor(const std::vector<AviCompressor>& offered, AVICOMPRESSOPTIONS& options) = 0;

  // The one in force: the installed one, else the console fallback.
  static Modal& current();
  // Installs m (nullptr restores the console fallback); returns the previous one.
  static Modal* install(Modal* m);
};

// Installs a Modal for the lifetime of a scope (tests, the window).
class ModalScope {
 public:
  explicit ModalScope(Modal& m) : previous_(Modal::install(&m)) {}
  ~ModalScope() { Modal::install(previous_); }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  Modal* previous_;
};
