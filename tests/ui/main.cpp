// Runs every widget test class on the offscreen platform; fails if any class fails.

#include <memory>
#include <vector>

#include <QApplication>
#include <QtTest>

#include "ViewerLayoutTest.h"
#include "ViewerStartUpTest.h"
#include "ViewerWindowTest.h"
#include "test_compressordialog.h"
#include "test_frmtime.h"
#include "test_frmoptsave.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Tests close windows; the application must outlive them.
  QApplication::setQuitOnLastWindowClosed(false);

  std::vector<std::unique_ptr<QObject>> suites;
  suites.push_back(std::make_unique<ViewerLayoutTest>());
  suites.push_back(std::make_unique<ViewerStartUpTest>());
  suites.push_back(std::make_unique<ViewerWindowTest>());
  suites.push_back(std::make_unique<TestFrmTime>());
  suites.push_back(std::make_unique<TestFrmOptSave>());
  suites.push_back(std::make_unique<TestCompressorDialog>());

  int failed = 0;
  for (const auto& suite : suites) {
    if (QTest::qExec(suite.get(), argc, argv) != 0) ++failed;
  }
  return failed == 0 ? 0 : 1;
}
