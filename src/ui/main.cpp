#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QTranslator>

#include "platform/FileSizeLimit.h"
#include "platform/NativeName.h"
#include "ui/ArchiveWorker.h"
#include "ui/QtModal.h"
#include "ui/QuitOnSignal.h"
#include "viewer/CommandLine.h"
#include "desktop/RegisterFileType.h"
#include "ui/frmViewer.h"

int main(int argc, char** argv) {
  FailWritesPastFileSizeLimit();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vistrel"));
  const auto qtPolish = InstallQtPolish();  // Qt's own dialog texts in the window's language
  QtModal modal;
  ModalScope scope(modal);

  int status = 0;
  {
    frmViewer viewer;
    modal.SetParent(&viewer);  // dialogs open over the viewer
    // The arguments Qt left (it takes its own out of argv), each name's bytes kept as they are.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << NameFromNative(QByteArray(argv[i]));
    viewer.Form_Load(ArgumentString(arguments));
    viewer.show();
    const QuitOnSignal quitOnSignal(viewer);
    // Queued behind start-up and the window's showing: the first start then spends a few
    // milliseconds writing the association, later starts only look for its marker.
    QTimer::singleShot(0, [] {
      RegisterFileTypeAtFirstStart(QStringLiteral(".MJP"), QStringLiteral("Sekwencja wideo"),
                                   QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    });
    status = QApplication::exec();
  }
  // The archive let go of a run blocked in an index server that stopped answering: the program
  // ends without it (its settings are written) rather than let it wake into the end.
  if (ArchiveWorker::Live() > 0) std::_Exit(status);
  return status;
}
