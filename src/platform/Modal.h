#pragma once
// Every message box and file dialog goes through Modal.
// The window installs the Qt implementation; tests install a scripted one that
// answers from a queue and records what it was shown. Without either (the
// command-line tool, benchmarks) nothing is shown and every question is answered
// No or Cancel: those callers learn what happened from results, not from messages.

#include <QString>

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
  // A folder chosen (fileName: the folder offered first); empty when cancelled. Nothing is
  // chosen where no one can be asked.
  virtual QString openFolder(const FileDialogRequest&) { return {}; }

  // The one in force: the installed one, else the silent one.
  static Modal& current();
  // Installs m (nullptr restores the silent one); returns the previous one.
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
