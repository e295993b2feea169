// SPDX-License-Identifier: GPL-3.0-or-later
#include "VarnelAboutBox.h"
#include "VarnelProduct.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class AboutBoxTest : public QObject {
  Q_OBJECT
private slots:
  void ShowsTheProgramsNameVersionAndIcon() {
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QString("About Varnel"));
    auto *label1 = box.findChild<QLabel *>("Label1");
    auto *label2 = box.findChild<QLabel *>("Label2");
    auto *version = box.findChild<QLabel *>("VersionLabel");
    QVERIFY(label1 && label2 && version);
    QCOMPARE(label1->text(), QString("Varnel"));
    QCOMPARE(label2->text(), QString("Quake PAK File Editor"));
    // Set on creation, before the box is ever shown.
    QCOMPARE(version->text(), QString("Version 1.00"));
    QVERIFY(version->alignment() & Qt::AlignHCenter);
    auto *licence = box.findChild<QLabel *>("LicenceLabel");
    QVERIFY(licence != nullptr);
    QVERIFY(licence->text().startsWith(QLatin1String(VarnelCopyright)));
    QVERIFY(licence->text().contains("GNU General Public License,\nversion 3 or later"));
    QVERIFY(label1->font().bold());
    QVERIFY(label2->font().bold());
    QCOMPARE(label1->font().styleHint(), QFont::Serif);
    QCOMPARE(label2->font().styleHint(), QFont::Serif);
    QVERIFY(label1->font().pointSize() > label2->font().pointSize());

    // The icon is the program's drawing, shown 32 x 32.
    QIcon icon = VarnelIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(32, 32).size(), QSize(32, 32));
    auto *image = box.findChild<QLabel *>("Image1");
    QVERIFY(image != nullptr);
    QCOMPARE(image->pixmap().size(), QSize(32, 32));
    QCOMPARE(image->pixmap().toImage(), icon.pixmap(32, 32).toImage());
  }

  void OkClosesTheBox() {
    TAboutBox box;
    auto *ok = box.findChild<QPushButton *>("Button1");
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QString("OK"));
    QVERIFY(ok->isDefault());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));

    box.show();
    QTest::keyClick(&box, Qt::Key_Return);
    QVERIFY(!box.isVisible());
  }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
