#include <QApplication>

#include "platform/QtModal.h"
#include "shell/CommandLine.h"
#include "shell/frmViewer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vistrel"));
  QtModal modal;
  ModalScope scope(modal);

  frmViewer viewer;
  modal.SetParent(&viewer);  // dialogs open over the viewer
  viewer.Form_Load(ArgumentString(QApplication::arguments().mid(1)));
  viewer.show();
  return QApplication::exec();
}
