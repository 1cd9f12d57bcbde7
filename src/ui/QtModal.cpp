#include "ui/QtModal.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

namespace {

QWidget* scopedOwner = nullptr;  // the innermost OwnerScope's window

// The file list's sizes and dates in Polish, as the rest of the dialog speaks: Qt's own list
// writes them in the system's form, whatever language the dialog has.
class PolishFileList final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files) return QIdentityProxyModel::data(index, role);
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
      case kSize: return files->isDir(source) ? QString() : polish.formattedDataSize(files->size(source));
      case kModified: return polish.toString(files->lastModified(source), QLocale::ShortFormat);
      default: return QIdentityProxyModel::data(index, role);
    }
  }

 private:
  enum Column { kSize = 1, kModified = 3 };  // QFileSystemModel's columns
};

QString runFileDialog(QWidget* owner, const FileDialogRequest& r, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner, r.title, r.fileName, QtFilter(r.filter));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // The overwrite question is the viewer's own, so the dialog does not ask it.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setProxyModel(new PolishFileList(&dialog));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

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

QtModal::OwnerScope::OwnerScope(QWidget* owner) : previous_(scopedOwner) { scopedOwner = owner; }
QtModal::OwnerScope::~OwnerScope() { scopedOwner = previous_; }

QWidget* QtModal::owner() const { return scopedOwner ? scopedOwner : parent_; }

MsgAnswer QtModal::message(const QString& text, MsgIcon icon, MsgButtons buttons) {
  QMessageBox box(qtIcon(icon), QStringLiteral("Vistrel"), text, qtButtons(buttons), owner());
  switch (box.exec()) {
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    default: return MsgAnswer::Ok;
  }
}

QString QtModal::openFile(const FileDialogRequest& r) { return runFileDialog(owner(), r, QFileDialog::AcceptOpen); }

QString QtModal::saveFile(const FileDialogRequest& r) { return runFileDialog(owner(), r, QFileDialog::AcceptSave); }

QString QtModal::openFolder(const FileDialogRequest& r) {
  QFileDialog dialog(owner(), r.title, r.fileName);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setProxyModel(new PolishFileList(&dialog));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

std::unique_ptr<QTranslator> InstallQtPolish() {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator.get()))
    return nullptr;
  return translator;
}
