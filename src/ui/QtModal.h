#pragma once
// The real dialogs: Qt message boxes and file dialogs, captioned "Vistrel".

#include "platform/Modal.h"

class QWidget;

class QtModal final : public Modal {
 public:
  explicit QtModal(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons) override;
  QString openFile(const FileDialogRequest& request) override;
  QString saveFile(const FileDialogRequest& request) override;

 private:
  QWidget* parent_;
};

// "desc|pattern|desc|pattern" to Qt's "desc (patterns);;…"; a pattern is matched
// in either letter case, since recordings come as .MJP and .mjp alike.
QString QtFilter(const QString& filter);
