// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryText.h"

#include <QtTest>

class EntryTextTest : public QObject {
  Q_OBJECT
private slots:
  void ShowsUtf8AndFallsBackToBytes() {
    QCOMPARE(EntryToDisplay("gfx/caf\xC3\xA9.lmp"), QString::fromUtf8("gfx/caf\xC3\xA9.lmp"));
    // 0xE9 alone is no UTF-8: shown byte for byte.
    QCOMPARE(EntryToDisplay("caf\xE9"), QString::fromLatin1("caf\xE9"));
    QCOMPARE(DisplayToEntry(QString::fromUtf8("caf\xC3\xA9")), std::string("caf\xC3\xA9"));
    QCOMPARE(PathFromQ(PathToQ("/tmp/a b")), std::string("/tmp/a b"));
  }
};

QTEST_MAIN(EntryTextTest)
#include "EntryTextTest.moc"
