#include "ui/frmOptSave.h"

#include <QGuiApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <utility>

#include "ui/Shape.h"

namespace {

constexpr std::uint32_t kNoteGrey = 0x808080;

// MS Sans Serif and Arial Narrow stand-ins; sizes are 8.25 points at 96 dots per inch.
QFont msSansSerif() {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(11);
  f.setStyleHint(QFont::SansSerif);
  return f;
}
QFont arialNarrow() {
  QFont f(QStringLiteral("Liberation Sans Narrow"));
  f.setPixelSize(11);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

QLabel* MakeLabel(const QString& text, const QRect& place, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(place);
  l->setFont(arialNarrow());
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return l;
}

}  // namespace

frmOptSave::frmOptSave(ModuleValues& module, QWidget* parent, bool* overlay)
    : QDialog(parent), module_(module), overlay_(overlay) {
  setWindowTitle(QStringLiteral("Opcje zapisu"));
  setFixedSize(kSaveOptionsWidth, kSaveOptionsHeight);
  setFont(msSansSerif());
  BuildControls();
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) backFromAnotherApplication_ = true;
  });
}

// Places are the design's twips divided by 15.
void frmOptSave::BuildControls() {
  const std::array<QString, kSaveOptionCount> optionText{
      QStringLiteral("Zapis pojedynczego obrazka w formacie JPEG"),
      QStringLiteral("Zapis wybranej sekwencji w formacie MJP"),
      QStringLiteral("Konwersja wybranej sekwencji do formatu AVI"),
  };
  constexpr std::array<QRect, kSaveOptionCount> kOptionPlace{QRect(24, 32, 305, 17), QRect(24, 72, 273, 17),
                                                             QRect(24, 112, 297, 17)};
  // One parent makes one group: at most one selected, and none until one is chosen.
  for (int k = 0; k < kSaveOptionCount; ++k) {
    OptSave[k] = new QRadioButton(optionText[k], this);
    OptSave[k]->setGeometry(kOptionPlace[k]);
    OptSave[k]->setFont(msSansSerif());
    connect(OptSave[k], &QRadioButton::clicked, this, [this, k] { OptSave_Click(k); });
  }

  Label1 = MakeLabel(QStringLiteral("Możliwości zależne od zainstalowanych w systemie kodedekow"),
                     QRect(40, 128, 281, 17), this);
  QPalette notePal = Label1->palette();
  notePal.setColor(QPalette::WindowText, FromPacked(kNoteGrey));
  Label1->setPalette(notePal);

  lblSpeed[0] = MakeLabel(QStringLiteral("Prędkość odtwarzania [kl./ sek.]"), QRect(88, 160, 161, 17), this);

  sldSpeed = new QSlider(Qt::Horizontal, this);
  sldSpeed->setGeometry(32, 176, 265, 29);
  sldSpeed->setRange(kAviSpeedMin, kAviSpeedMax);
  sldSpeed->setSingleStep(1);
  sldSpeed->setPageStep(5);
  sldSpeed->setTickPosition(QSlider::TicksBelow);
  sldSpeed->setTickInterval(1);
  sldSpeed->setFocusPolicy(Qt::StrongFocus);

  lblSpeed[1] = MakeLabel(QStringLiteral("1"), QRect(32, 208, 25, 17), this);
  lblSpeed[2] = MakeLabel(QStringLiteral("10"), QRect(112, 208, 17, 17), this);
  lblSpeed[3] = MakeLabel(QStringLiteral("20"), QRect(192, 208, 17, 17), this);
  lblSpeed[4] = MakeLabel(QStringLiteral("30"), QRect(280, 208, 17, 17), this);

  // Until an option is chosen the speed has nothing to apply to, and the option chosen
  // first when activation chooses none (kStartOption, the JPEG frame) wants them off too.
  SetSpeedControls(false);

  chkOverlay = new QCheckBox(QStringLiteral("Nanieś dane kamery na obraz"), this);
  chkOverlay->setGeometry(24, 227, 297, 17);
  chkOverlay->setFont(msSansSerif());
  chkOverlay->setChecked(overlay_ && *overlay_);
  chkOverlay->setFocusPolicy(Qt::ClickFocus);  // the dialog's Tab round stays as it was

  cmdAnuluj = new QPushButton(QStringLiteral("Anuluj"), this);
  cmdAnuluj->setGeometry(16, 248, 73, 25);
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setGeometry(248, 248, 73, 25);
  // Neither button is the default: Enter clicks only the button that has the focus.
  for (QPushButton* b : {cmdAnuluj, cmdOK}) {
    b->setFont(msSansSerif());
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  setTabOrder(OptSave[0], OptSave[1]);
  setTabOrder(OptSave[1], OptSave[2]);
  setTabOrder(OptSave[2], cmdAnuluj);
  setTabOrder(cmdAnuluj, cmdOK);
  setTabOrder(cmdOK, sldSpeed);

  connect(cmdOK, &QPushButton::clicked, this, &frmOptSave::cmdOK_Click);
  connect(cmdAnuluj, &QPushButton::clicked, this, &frmOptSave::cmdAnuluj_Click);
}

// The dialog runs Form_Activate when it is shown and again whenever it becomes the active
// window from another window of this program. Showing counts by itself, because a window
// system without a window manager may never activate the dialog; the activation that
// usually follows repeats the same steps. Coming back from another application is no new
// activation: the user's choice stays as it was.
void frmOptSave::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) Form_Activate();
}

bool frmOptSave::event(QEvent* e) {
  const bool handled = QDialog::event(e);
  if (e->type() == QEvent::WindowActivate && !std::exchange(backFromAnotherApplication_, false)) Form_Activate();
  return handled;
}

void frmOptSave::Form_Activate() {
  const SaveOptionsActivation a = ActivationOf(module_.MarkStart, module_.MarkEnd, module_.SaveKind, module_.AviSpeed);
  if (a.sequenceOptions != SequenceOptions::Keep) {
    const bool on = a.sequenceOptions == SequenceOptions::Enable;
    OptSave[kSaveMjp]->setEnabled(on);
    OptSave[kSaveAvi]->setEnabled(on);
  }
  if (a.select) Select(*a.select);
  sldSpeed->setValue(a.sliderValue);
  // The start state: see kStartOption. A selection, once made, stays until another.
  if (!OptSave[0]->isChecked() && !OptSave[1]->isChecked() && !OptSave[2]->isChecked()) Select(kStartOption);
}

void frmOptSave::Select(int Index) {
  OptSave[Index]->setChecked(true);
  OptSave_Click(Index);
}

void frmOptSave::OptSave_Click(int Index) {
  if (SpeedControlsWanted(Index)) SpeedOn();
  else SpeedOff();
  chkOverlay->setEnabled(Index != kSaveMjp);  // an MJP copy keeps the recording's bytes
}

void frmOptSave::SpeedOn() { SetSpeedControls(true); }
void frmOptSave::SpeedOff() { SetSpeedControls(false); }

void frmOptSave::SetSpeedControls(bool enabled) {
  for (QLabel* l : lblSpeed) l->setEnabled(enabled);
  sldSpeed->setEnabled(enabled);
}

std::array<bool, kSaveOptionCount> frmOptSave::Selected() const {
  std::array<bool, kSaveOptionCount> selected{};
  for (int k = 0; k < kSaveOptionCount; ++k) selected[k] = OptSave[k]->isChecked();
  return selected;
}

void frmOptSave::cmdOK_Click() {
  const SaveChoice after = ChoiceOnOK({module_.SaveKind, module_.AviSpeed}, Selected(), sldSpeed->value());
  module_.SaveKind = after.SaveKind;
  module_.AviSpeed = after.AviSpeed;
  if (overlay_) *overlay_ = chkOverlay->isChecked();
  accept();
}

void frmOptSave::cmdAnuluj_Click() {
  module_.SaveKind = ChoiceOnAnuluj({module_.SaveKind, module_.AviSpeed}).SaveKind;
  reject();
}

// Escape is no Anuluj: the dialog has no cancel button, so the key does nothing. Enter
// clicks the button that has the focus, as Space does; on any other control it does
// nothing, since no button is the default.
void frmOptSave::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape: e->accept(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isEnabled()) b->click();
      e->accept();
      return;
    default: QDialog::keyPressEvent(e);
  }
}
