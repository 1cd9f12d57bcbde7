// Unit tests run with a QGuiApplication on the offscreen platform, so that painting,
// fonts and the clipboard work without a display; overlays use the window's caption band.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "drawing/CaptionBand.h"
#include "viewer/FrameOverlay.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  SetCaptionPainter(PaintCaptionBand);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
