#pragma once
// The keyboard: each key stands for a button of the transport row or a row of the
// command panel and acts under that button's rules (while an export runs, only the
// stop keys act). F1 shows this table as the user's list of keys.

#include <optional>
#include <variant>
#include <vector>

#include <QKeyCombination>
#include <QString>

#include "viewer/Viewer.h"

// What only a key does.
enum class KeyAction {
  PlayOrStop,      // play forward when stopped, stop when anything runs
  BackwardOrStop,  // play backward when stopped, stop when anything runs
  ZoomIn,          // the loupe twice as strong, around the pointer over the picture
  ZoomOut,         // half as strong
  ZoomReset,       // back to 1x
  SmoothZoom,      // smooth scaling on or off (remembered)
  Overview,        // the recording at a glance, in its own window
  NextEvent,       // the next event's peak frame
  PreviousEvent,   // the previous event's peak frame
  OpenFolder,      // a folder's recordings in the archive window
  Help,            // the list of keys
};

using KeyCommand = std::variant<TransportCommand, PanelCommand, KeyAction>;

struct WindowKey {
  std::vector<QKeyCombination> keys;
  KeyCommand command;
  QString keysText;  // the keys as the help names them
  QString what;      // what they do, as the help says it
};

const std::vector<WindowKey>& WindowKeys();

// The command a key press stands for (the keypad's arrows as the others); none for
// any other key.
std::optional<KeyCommand> CommandForKey(QKeyCombination key);

// Whether holding the key down repeats it: frame steps do, nothing else.
bool RepeatsWhenHeld(const KeyCommand& command);

// The help message, as rich text: a two-column table of every key and what it does, then
// one of the mouse (the wheel, dropping a file).
QString KeysHelpText();
