#pragma once
// The real dialogs: Qt message boxes and file dialogs, captioned "Vistrel", centred on the
// window they were asked from and speaking Polish, Qt's own texts (buttons, dates) included.

#include <memory>

#include "platform/Modal.h"

class QTranslator;
class QWidget;

class QtModal final : public Modal {
 public:
  explicit QtModal(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override;
  QString openFile(const FileDialogRequest& request) override;
  QString saveFile(const FileDialogRequest& request) override;
  QString openFolder(const FileDialogRequest& request) override;

  // While one lives, every dialog is centred on `owner` instead of the parent: a window
  // other than the main one asks its questions over itself.
  class OwnerScope {
   public:
    explicit OwnerScope(QWidget* owner);
    ~OwnerScope();
    OwnerScope(const OwnerScope&) = delete;
    OwnerScope& operator=(const OwnerScope&) = delete;

   private:
    QWidget* previous_;
  };

 private:
  QWidget* owner() const;
  QWidget* parent_;
};

// "desc|pattern|desc|pattern" to Qt's "desc (patterns);;…"; a pattern is matched
// in either letter case, since recordings come as .MJP and .mjp alike.
QString QtFilter(const QString& filter);

// Loads Qt's own Polish texts (qtbase_pl from Qt's translations folder) and installs them in
// the application, which must exist; in force while the answer lives. Null when not found:
// Qt's English stays.
std::unique_ptr<QTranslator> InstallQtPolish();
