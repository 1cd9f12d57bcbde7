#include "ui/WindowKeys.h"

const std::vector<WindowKey>& WindowKeys() {
  using enum TransportCommand;
  const Qt::KeyboardModifier shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
  // The players' habits where they fit: Space plays and pauses, arrows step, modified
  // arrows go faster, Home and End jump, Escape stops, Ctrl+O opens.
  static const std::vector<WindowKey> keys{
      {{Qt::Key_Space}, KeyAction::PlayOrStop, "Spacja", "odtwarzanie / stop"},
      {{shift | Qt::Key_Space}, KeyAction::BackwardOrStop, "Shift+Spacja", "odtwarzanie wstecz / stop"},
      {{Qt::Key_Right, Qt::Key_Period}, StepForward, "→ lub .", "następna klatka"},
      {{Qt::Key_Left, Qt::Key_Comma}, StepBackward, "← lub ,", "poprzednia klatka"},
      {{shift | Qt::Key_Right}, FastForward, "Shift+→", "szybko do przodu"},
      {{shift | Qt::Key_Left}, FastBackward, "Shift+←", "szybko do tyłu"},
      {{ctrl | Qt::Key_Right}, FastestForward, "Ctrl+→", "najszybciej do przodu"},
      {{ctrl | Qt::Key_Left}, FastestBackward, "Ctrl+←", "najszybciej do tyłu"},
      {{Qt::Key_Home}, ToStart, "Home", "początek nagrania"},
      {{Qt::Key_End}, ToEnd, "End", "koniec nagrania"},
      {{Qt::Key_Escape}, Stop, "Esc", "stop (także zapisu)"},
      {{Qt::Key_Plus, shift | Qt::Key_Plus, Qt::Key_Equal},
       KeyAction::ZoomIn,
       "+",
       "lupa: powiększenie (2x, 4x, 8x) wokół wskaźnika"},
      {{Qt::Key_Minus}, KeyAction::ZoomOut, "-", "lupa: pomniejszenie"},
      {{Qt::Key_0}, KeyAction::ZoomReset, "0", "lupa: bez powiększenia (także dwuklik na obrazie)"},
      {{Qt::Key_S}, KeyAction::SmoothZoom, "S", "lupa: wygładzanie lub piksele kamery"},
      {{ctrl | Qt::Key_O}, PanelCommand::Open, "Ctrl+O", "otwórz plik"},
      {{ctrl | shift | Qt::Key_O}, KeyAction::OpenFolder, "Ctrl+Shift+O", "otwórz folder: archiwum nagrań"},
      {{ctrl | Qt::Key_T}, PanelCommand::TimeCorrection, "Ctrl+T", "korekcja czasu"},
      {{ctrl | Qt::Key_S}, PanelCommand::Save, "Ctrl+S", "zapisz obrazek, sekwencję lub film AVI"},
      {{Qt::Key_M}, PanelCommand::Mark, "M", "zaznacz początek, potem koniec sekwencji"},
      {{Qt::Key_G}, KeyAction::Overview, "G", "przegląd nagrania: wykres prędkości i zdarzenia (także prawy przycisk)"},
      {{Qt::Key_N}, KeyAction::NextEvent, "N", "następne zdarzenie powyżej limitu (klatka szczytowa)"},
      {{shift | Qt::Key_N}, KeyAction::PreviousEvent, "Shift+N", "poprzednie zdarzenie powyżej limitu"},
      {{Qt::Key_F1}, KeyAction::Help, "F1", "ta lista"},
  };
  return keys;
}

std::optional<KeyCommand> CommandForKey(QKeyCombination key) {
  const QKeyCombination pressed(key.keyboardModifiers() & ~Qt::KeypadModifier, key.key());
  for (const WindowKey& k : WindowKeys())
    for (QKeyCombination c : k.keys)
      if (c == pressed) return k.command;
  return std::nullopt;
}

bool RepeatsWhenHeld(const KeyCommand& command) {
  return command == KeyCommand(TransportCommand::StepForward) || command == KeyCommand(TransportCommand::StepBackward);
}

QString KeysHelpText() {
  // Two columns, each key's row unbroken: the message box sizes itself to the table.
  QString html = QStringLiteral("<p><b>Klawisze</b></p><table cellspacing=\"0\" cellpadding=\"2\">");
  const auto row = [&html](const QString& keys, const QString& what) {
    html += QStringLiteral(
                "<tr><td style=\"white-space:pre\"><b>%1</b></td><td style=\"white-space:pre\">"
                "&nbsp;&nbsp;%2</td></tr>")
                .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
  };
  for (const WindowKey& k : WindowKeys()) row(k.keysText, k.what);
  html += QStringLiteral("</table><p><b>Mysz</b></p><table cellspacing=\"0\" cellpadding=\"2\">");
  row(QStringLiteral("Kółko nad obrazem"), QStringLiteral("klatka do przodu (w dół) lub do tyłu (w górę)"));
  row(QStringLiteral("Ctrl+kółko nad obrazem"), QStringLiteral("lupa; przeciąganie obrazu przesuwa powiększenie"));
  row(QStringLiteral("Plik .MJP upuszczony na okno"), QStringLiteral("otwarcie nagrania"));
  row(QStringLiteral("Folder upuszczony na okno"), QStringLiteral("archiwum nagrań z folderu"));
  return html + QStringLiteral("</table>");
}
