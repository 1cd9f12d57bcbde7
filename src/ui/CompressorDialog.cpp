#include "ui/CompressorDialog.h"

#include <algorithm>

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Whole kilobytes up to the highest rate; more digits than fit are brought down to it
// when the field is left, rather than left standing as a number OK cannot use.
class KilobytesValidator final : public QIntValidator {
 public:
  explicit KilobytesValidator(QObject* parent) : QIntValidator(0, kDataRateMaxKilobytes, parent) {}
  void fixup(QString& input) const override {
    bool ok = false;
    if (input.toLongLong(&ok) > top() && ok) input = QString::number(top());
  }
};

// The field's kilobytes as bytes per second; empty reads as 0, the compressor's default.
std::int32_t BytesPerSecond(const QString& kilobytes) {
  const long long k = std::clamp(kilobytes.toLongLong(), 0LL, static_cast<long long>(kDataRateMaxKilobytes));
  return static_cast<std::int32_t>(k * kBytesPerKilobyte);
}

}  // namespace

CompressorDialog::CompressorDialog(const std::vector<AviCompressor>& offered, AVICOMPRESSOPTIONS& options,
                                   QWidget* parent)
    : QDialog(parent), offered_(offered), options_(options) {
  setWindowTitle(QStringLiteral("Kompresja wideo"));
  BuildControls();
  Suggest();
  setFixedSize(sizeHint());
}

void CompressorDialog::BuildControls() {
  cboCompressor = new QComboBox(this);
  for (const AviCompressor& c : offered_) cboCompressor->addItem(c.description.isEmpty() ? c.name : c.description);
  cboCompressor->setMinimumWidth(280);

  txtKeyFrames = new QSpinBox(this);
  txtKeyFrames->setRange(1, kKeyFrameEveryMax);
  txtKeyFrames->setValue(1);

  txtDataRate = new QLineEdit(this);
  txtDataRate->setValidator(new KilobytesValidator(txtDataRate));
  txtDataRate->setMaxLength(QString::number(kDataRateMaxKilobytes).size());
  txtDataRate->setPlaceholderText(QStringLiteral("domyślna"));

  auto* form = new QFormLayout;
  lblCompressor = new QLabel(QStringLiteral("&Kompresor:"), this);
  lblCompressor->setBuddy(cboCompressor);
  form->addRow(lblCompressor, cboCompressor);
  lblKeyFrames = new QLabel(QStringLiteral("Co ile klatek klatka &kluczowa:"), this);
  lblKeyFrames->setBuddy(txtKeyFrames);
  form->addRow(lblKeyFrames, txtKeyFrames);
  lblDataRate = new QLabel(QStringLiteral("&Strumień danych [kB/s]:"), this);
  lblDataRate->setBuddy(txtDataRate);
  form->addRow(lblDataRate, txtDataRate);

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdAnuluj = new QPushButton(QStringLiteral("Anuluj"), this);
  // As in any system dialog: Enter confirms, Escape cancels.
  cmdOK->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdAnuluj);

  auto* page = new QVBoxLayout(this);
  page->addLayout(form);
  page->addSpacing(8);
  page->addLayout(buttons);

  connect(cboCompressor, &QComboBox::currentIndexChanged, this, &CompressorDialog::CompressorChanged);
  connect(cmdOK, &QPushButton::clicked, this, &CompressorDialog::Confirm);
  connect(cmdAnuluj, &QPushButton::clicked, this, &QDialog::reject);
}

// The first compressor unless the options name another that is offered.
void CompressorDialog::Suggest() {
  int index = 0;
  for (int k = 0; k < static_cast<int>(offered_.size()); ++k)
    if (offered_[k].name == options_.codec) index = k;
  if (options_.dwKeyFrameEvery > 1) txtKeyFrames->setValue(options_.dwKeyFrameEvery);
  if (options_.dwBytesPerSecond > 0)
    txtDataRate->setText(QString::number(options_.dwBytesPerSecond / kBytesPerKilobyte));
  cboCompressor->setCurrentIndex(offered_.empty() ? -1 : index);
  CompressorChanged(cboCompressor->currentIndex());
}

// A data rate means something only to some compressors; with nothing to choose from,
// only Anuluj is left.
void CompressorDialog::CompressorChanged(int index) {
  const bool valid = index >= 0 && index < static_cast<int>(offered_.size());
  const bool rate = valid && offered_[index].usesDataRate;
  lblDataRate->setEnabled(rate);
  txtDataRate->setEnabled(rate);
  cmdOK->setEnabled(valid);
}

void CompressorDialog::Confirm() {
  const int index = cboCompressor->currentIndex();
  if (index < 0 || index >= static_cast<int>(offered_.size())) return;
  const AviCompressor& chosen = offered_[index];
  txtKeyFrames->interpretText();  // a number still being typed counts
  options_.codec = chosen.name;
  options_.dwKeyFrameEvery = txtKeyFrames->value();
  options_.dwBytesPerSecond = chosen.usesDataRate ? BytesPerSecond(txtDataRate->text()) : 0;
  accept();
}
