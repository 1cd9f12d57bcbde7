#include "ui/frmTime.h"

#include <algorithm>

#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "platform/Clock.h"
#include "ui/Shape.h"

namespace {

constexpr std::uint32_t kDarkGrey = 0x404040;
constexpr std::uint32_t kLineGrey = 0x808080;

// Arial and Courier New stand-ins; sizes are the design's points at 96 dots per inch.
QFont arial(int px) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(px);
  f.setStyleHint(QFont::SansSerif);
  return f;
}
QFont courierNew(int px) {
  QFont f(QStringLiteral("Liberation Mono"));
  f.setPixelSize(px);
  f.setStyleHint(QFont::Monospace);
  return f;
}

void SetTextColour(QWidget* w, std::uint32_t packed) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, FromPacked(packed));
  w->setPalette(pal);
}

// The keyboard's limit of kTimeFieldMaxLength characters, as a length limit works:
// of what an edit inserts, only as much as fits is kept. Unlike QLineEdit's own limit it
// leaves texts the dialog writes whole, such as "-10" at load or "0.5" after ".5".
class LengthLimit final : public QValidator {
 public:
  // dialogWrites: true while the dialog itself sets the box's text.
  LengthLimit(QLineEdit* box, const bool& dialogWrites)
      : QValidator(box), dialogWrites_(dialogWrites), previous_(box->text()) {
    connect(box, &QLineEdit::textChanged, this, [this](const QString& t) { previous_ = t; });
  }

  State validate(QString& input, int& pos) const override {
    if (dialogWrites_) return Acceptable;
    // The edit as one replacement: a common start and end kept, the middle replaced.
    const qsizetype shorter = std::min(previous_.size(), input.size());
    qsizetype head = 0;
    while (head < shorter && previous_[head] == input[head]) ++head;
    qsizetype tail = 0;
    while (head + tail < shorter && previous_[previous_.size() - 1 - tail] == input[input.size() - 1 - tail]) ++tail;
    const qsizetype inserted = input.size() - head - tail;
    const qsizetype room = std::max<qsizetype>(0, kTimeFieldMaxLength - (head + tail));
    if (inserted > room) {
      input = previous_.left(head) + input.mid(head, room) + previous_.right(tail);
      pos = static_cast<int>(head + room);
    }
    return Acceptable;
  }

 private:
  const bool& dialogWrites_;
  QString previous_;
};

// The key code txtTime_KeyDown sees: Enter, arrows, the digit row, keypad digits.
int KeyCodeOf(const QKeyEvent& e) {
  const int key = e.key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return kKeyEnter;
  if (key == Qt::Key_Left) return kKeyLeft;
  if (key == Qt::Key_Right) return kKeyRight;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    const int base = e.modifiers().testFlag(Qt::KeypadModifier) ? kKeyNumpad0 : kKey0;
    return base + (key - Qt::Key_0);
  }
  return 0;
}

FieldBeforeKey StateOf(const QLineEdit& box) {
  return {box.cursorPosition(), static_cast<int>(box.selectedText().size()), static_cast<int>(box.text().size())};
}

// Focus that comes and goes with the whole window or a context menu is no entering or
// leaving of a field.
bool EntersOrLeaves(const QEvent* e) {
  const Qt::FocusReason r = static_cast<const QFocusEvent*>(e)->reason();
  return r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason;
}

}  // namespace

frmTime::frmTime(std::int16_t& PowerOnMinutes, QWidget* parent) : QDialog(parent), PowerOnMinutes_(PowerOnMinutes) {
  setWindowTitle(QStringLiteral("Korekcja czasu"));
  setFixedSize(kTimeDialogWidth, kTimeDialogHeight);
  setFont(arial(11));  // also for the controls the design gives no font of their own
  BuildControls();
  Form_Load();
}

frmTime::~frmTime() {
  // Children lose the focus while they are destroyed; no handler may run then.
  for (QLineEdit* box : txtTime) box->removeEventFilter(this);
  cmdOK->removeEventFilter(this);
  cmdAnuluj->removeEventFilter(this);
}

void frmTime::BuildControls() {
  Label1 = new QLabel(QStringLiteral("W pliku *.MJP  znajdują się informacje pozwalające określić kiedy dokładnie "
                                     "została zapisana każda klatka obrazu. Jednak jest to czas względny liczony "
                                     "od chwili uruchomienia kamery. Jeśli użytkownik poda dokladny czas włączenia "
                                     "kamery to będzie możliwe wyświetlanie wartości rzeczywistych."),
                      this);
  Label1->setGeometry(20, 16, 405, 73);
  Label1->setFont(arial(11));
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetTextColour(Label1, kDarkGrey);

  Frame1 = new QGroupBox(QStringLiteral("Sposób wyświetlania czasu"), this);
  Frame1->setGeometry(24, 112, 401, 193);

  optTime[0] = new QRadioButton(QStringLiteral("Czas względny (w formacie hhh:mm:ss)"), Frame1);
  optTime[0]->setGeometry(16, 40, 305, 33);
  optTime[1] = new QRadioButton(QStringLiteral("Czas rzeczywisty (korekcja wg. czasu włączenia kamery)"), Frame1);
  optTime[1]->setGeometry(16, 104, 361, 33);

  Line1 = new QFrame(Frame1);
  Line1->setFrameShape(QFrame::NoFrame);
  Line1->setGeometry(16, 88, 384 - 16 + 1, 1);  // both end points drawn
  Line1->setAutoFillBackground(true);
  QPalette linePal = Line1->palette();
  linePal.setColor(QPalette::Window, FromPacked(kLineGrey));
  Line1->setPalette(linePal);

  // Before the fields: its box reaches under the hours field, which must lie on top.
  Label3 = new QLabel(QStringLiteral(" Włączenie kamery:"), Frame1);
  Label3->setGeometry(24, 150, 129, 17);
  Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetTextColour(Label3, kDarkGrey);

  constexpr std::array<int, 2> kFieldLeft{144, 166};
  for (int k = 0; k < 2; ++k) {
    auto* box = new QLineEdit(Frame1);
    box->setGeometry(kFieldLeft[k], 152, 15, 17);
    box->setFont(courierNew(11));
    box->setFrame(false);
    // A 15-pixel box holds its two characters only without most of the inner margins.
    box->setTextMargins(-1, 0, -2, 0);
    // Text from the top, in line with the labels beside it, not centred in the box.
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setValidator(new LengthLimit(box, writingText_));
    box->installEventFilter(this);
    txtTime[k] = box;
  }

  Label2 = new QLabel(QStringLiteral(":"), Frame1);
  Label2->setGeometry(159, 152, 166 - 159, 17);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  cmdAnuluj = new QPushButton(QStringLiteral("Anuluj"), this);
  cmdAnuluj->setGeometry(24, 320, 81, 25);
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setGeometry(344, 320, 81, 25);
  // No button is the dialog's default: Enter in a field only moves the focus.
  for (QPushButton* b : {cmdOK, cmdAnuluj}) {
    b->setAutoDefault(false);
    b->setDefault(false);
    b->installEventFilter(this);
  }

  setTabOrder(optTime[0], optTime[1]);
  setTabOrder(optTime[1], txtTime[kHoursField]);
  setTabOrder(txtTime[kHoursField], txtTime[kMinutesField]);
  setTabOrder(txtTime[kMinutesField], cmdOK);
  setTabOrder(cmdOK, cmdAnuluj);

  connect(cmdOK, &QPushButton::clicked, this, &frmTime::cmdOK_Click);
  connect(cmdAnuluj, &QPushButton::clicked, this, &frmTime::cmdAnuluj_Click);
}

void frmTime::Form_Load() {
  const TimeFields f = FieldsAtLoad(PowerOnMinutes_, Clock::now().time());
  optTime[f.realTime ? 1 : 0]->setChecked(true);
  WriteText(kHoursField, f.hours);
  WriteText(kMinutesField, f.minutes);
}

void frmTime::WriteText(int Index, const QString& text) {
  writingText_ = true;
  txtTime[Index]->setText(text);
  writingText_ = false;
}

void frmTime::txtTime_GotFocus(int Index) { txtTime[Index]->setSelection(0, kTimeFieldMaxLength); }

void frmTime::txtTime_KeyDown(int Index, int KeyCode, const FieldBeforeKey& before) {
  switch (FocusAfterKey(Index, KeyCode, before)) {
    case FocusMove::Hours: txtTime[kHoursField]->setFocus(); break;
    case FocusMove::Minutes: txtTime[kMinutesField]->setFocus(); break;
    case FocusMove::OK: cmdOK->setFocus(); break;
    case FocusMove::None: break;
  }
}

void frmTime::txtTime_LostFocus(int Index) { WriteText(Index, TextAfterLeaving(Index, txtTime[Index]->text())); }

void frmTime::cmdOK_Click() {
  // Fields whose minutes do not fit 16 bits leave PowerOnMinutes as it was.
  if (const auto value =
          PowerOnMinutesOnOK(!optTime[0]->isChecked(), txtTime[kHoursField]->text(), txtTime[kMinutesField]->text()))
    PowerOnMinutes_ = *value;
  accept();
}

void frmTime::cmdAnuluj_Click() { reject(); }

int frmTime::FieldIndexOf(const QObject* o) const {
  for (int k = 0; k < 2; ++k)
    if (o == txtTime[k]) return k;
  return -1;
}

bool frmTime::eventFilter(QObject* watched, QEvent* e) {
  if (const int Index = FieldIndexOf(watched); Index >= 0) return FieldEvent(Index, e);
  if (watched == cmdOK || watched == cmdAnuluj) return ButtonEvent(static_cast<QPushButton*>(watched), e);
  return QDialog::eventFilter(watched, e);
}

// The box handles the event first, so that a key lands in the field it was typed in
// before the focus moves on; the handler then runs on the result. Whether the event
// goes on to the dialog stays the box's decision (it leaves Enter and Escape unaccepted).
bool frmTime::FieldEvent(int Index, QEvent* e) {
  QObject* box = txtTime[Index];
  switch (e->type()) {
    case QEvent::KeyPress: {
      const FieldBeforeKey before = StateOf(*txtTime[Index]);
      box->event(e);
      txtTime_KeyDown(Index, KeyCodeOf(*static_cast<QKeyEvent*>(e)), before);
      return true;
    }
    case QEvent::FocusIn:
      if (!EntersOrLeaves(e)) return false;
      box->event(e);
      txtTime_GotFocus(Index);
      return true;
    case QEvent::FocusOut:
      if (!EntersOrLeaves(e)) return false;
      box->event(e);
      txtTime_LostFocus(Index);
      return true;
    default: return false;
  }
}

// A focused button takes Enter as a click, so that Enter, Enter from the minutes is OK.
bool frmTime::ButtonEvent(QPushButton* button, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(e)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  button->click();
  return true;
}
