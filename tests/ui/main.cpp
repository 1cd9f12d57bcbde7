// Runs every widget test class on the offscreen platform; fails if any class fails.

#include "ViewerTestSupport.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;  // what the window remembers stays out of the user's own settings
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  QApplication app(argc, argv);
  // Tests close windows; the application must outlive them.
  QApplication::setQuitOnLastWindowClosed(false);
  int failed = 0;
  for (const auto& make : uitest::Suites()) failed += QTest::qExec(make().get(), argc, argv) != 0;
  return failed == 0 ? 0 : 1;
}
