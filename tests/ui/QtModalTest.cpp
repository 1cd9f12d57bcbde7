// The real message boxes and file dialogs: Qt's own texts in Polish once the window's translator
// is in, and every dialog centred on the window it was asked from.

#include <QTranslator>

#include "ViewerTestSupport.h"
#include "support/FileContents.h"
#include "ui/QtModal.h"

using namespace uitest;

namespace {

QStringList ButtonTexts(const QWidget& w) {
  QStringList texts;
  for (const QAbstractButton* b : w.findChildren<QAbstractButton*>())
    if (b->isVisible() && !b->text().isEmpty()) texts << b->text().remove('&');
  texts.sort();
  return texts;
}

}  // namespace

class QtModalTest : public QObject {
  Q_OBJECT
 private slots:
  void polishButtons_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QStringList>("texts");  // sorted
    QTest::newRow("Yes / No") << int(MsgButtons::YesNo) << QStringList{"Nie", "Tak"};
    QTest::newRow("OK / Cancel") << int(MsgButtons::OkCancel) << QStringList{"Anuluj", "OK"};
    QTest::newRow("OK") << int(MsgButtons::Ok) << QStringList{"OK"};
  }

  // The questions' buttons speak Polish with the translator main installs.
  void polishButtons() {
    QFETCH(int, buttons);
    const std::unique_ptr<QTranslator> polish = InstallQtPolish();
    QVERIFY2(polish, "Qt's Polish translations (qt6-translations-l10n) are not installed");
    QWidget main;
    main.setGeometry(20, 20, 400, 300);
    main.show();
    QtModal modal(&main);
    QStringList seen;
    QVERIFY(WhenShown([&](QDialog& box) { seen = ButtonTexts(box); },
                      [&] {
                        modal.message("Plik o podanej nazwie już istniej. Czy go zamienić ?", MsgIcon::None,
                                      static_cast<MsgButtons>(buttons));
                      }));
    QTEST(seen, "texts");
  }

  // A message box opens centred on the main window, or on the window an OwnerScope names; so does a file
  // dialog, whose list gives sizes and dates in Polish too.
  void centredOnItsOwner() {
    const std::unique_ptr<QTranslator> polish = InstallQtPolish();
    QWidget main, other;
    main.setGeometry(10, 10, 360, 260);
    other.setGeometry(420, 300, 360, 260);
    main.show();
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QtModal modal(&main);
    // Whether a message box asked now shows centred on `owner`.
    const auto centredOn = [&](const QWidget& owner) {
      QPoint centre;
      return WhenShown([&](QDialog& box) { centre = box.frameGeometry().center(); },
                       [&] { modal.message("?", MsgIcon::Question, MsgButtons::YesNo); }) &&
             (centre - owner.frameGeometry().center()).manhattanLength() <= 8;
    };
    QVERIFY(centredOn(main));
    {
      const QtModal::OwnerScope over(&other);
      QVERIFY(centredOn(other));
      QTemporaryDir folder;
      const QString file = folder.filePath("raport.pdf");
      QFile f(file);
      QVERIFY(WriteFile(file, QByteArray(2000, 'x')) && f.open(QIODevice::ReadOnly) &&
              f.setFileTime(QDateTime(QDate(2026, 12, 6), QTime(7, 20)), QFileDevice::FileModificationTime));
      f.close();
      QWidget* parent = nullptr;
      QStringList buttons, row;
      QVERIFY(WhenShown(
          [&](QDialog& dialog) {
            parent = dialog.parentWidget();
            buttons = ButtonTexts(dialog);
            const QAbstractProxyModel* list = static_cast<QFileDialog&>(dialog).proxyModel();
            const auto* files = qobject_cast<QFileSystemModel*>(list->sourceModel());
            if (!QTest::qWaitFor([&] { return files->index(file).isValid(); })) return;
            for (int column : {1, 3}) row << list->mapFromSource(files->index(file, column)).data().toString();
          },
          [&] {
            modal.saveFile({"", file, "raport PDF (*.PDF)|*.PDF"});
          }));
      QCOMPARE(parent, &other);
      QVERIFY2(buttons.contains("Zachowaj") && buttons.contains("Anuluj"), qPrintable(buttons.join(',')));
      QCOMPARE(row, (QStringList{"1,95 KiB", "6.12.2026 07:20"}));
    }
  }
};

UI_TEST_SUITE(QtModalTest);
#include "QtModalTest.moc"
