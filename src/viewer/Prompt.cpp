#include "viewer/Prompt.h"

QString PromptTick(const QString& caption) {
  const qsizetype n = caption.size() + 1;
  return n <= kPromptText.size() ? kPromptText.left(n) : QString();
}
