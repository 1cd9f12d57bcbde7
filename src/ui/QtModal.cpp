#include "ui/QtModal.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon qtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MsgButtons b) {
  switch (b) {
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

}  // namespace

QString QtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
    QStringList patterns;
    for (const QString& p : parts[k + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      patterns << p;
      if (p.toLower() != p) patterns << p.toLower();
    }
    // A description that names its pattern already, "… (*.MJP)", gets the full list instead.
    QString description = parts[k].trimmed();
    if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
      description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
    out << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
  }
  return out.join(QStringLiteral(";;"));
}

MsgAnswer QtModal::message(const QString& text, MsgIcon icon, MsgButtons buttons) {
  QMessageBox box(qtIcon(icon), QStringLiteral("Vistrel"), text, qtButtons(buttons), parent_);
  switch (box.exec()) {
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    default: return MsgAnswer::Ok;
  }
}

QString QtModal::openFile(const FileDialogRequest& r) {
  return QFileDialog::getOpenFileName(parent_, r.title, r.fileName, QtFilter(r.filter));
}

QString QtModal::saveFile(const FileDialogRequest& r) {
  // The overwrite question is the viewer's own, so the dialog does not ask it.
  return QFileDialog::getSaveFileName(parent_, r.title, r.fileName, QtFilter(r.filter), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}
