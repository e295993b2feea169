// SPDX-License-Identifier: GPL-3.0-or-later
// The window in another language: the German translation built by this tree
// is found for a German locale and turns the window's texts; an English locale
// loads nothing, so the texts stay as written.
#include "AddDlg.h"
#include "Translations.h"
#include "WindowSession.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QXmlStreamReader>
#include <QtTest>

class TranslationTest : public QObject {
  Q_OBJECT
private slots:
  // Runs first: nothing is installed yet.
  void EnglishLocaleLoadsNothing() {
    QVERIFY(!InstallTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates), VARNEL_TRANSLATIONS_FOLDER));
    QVERIFY(!InstallTranslations(*qApp, QLocale(QLocale::French, QLocale::France), VARNEL_TRANSLATIONS_FOLDER));
    TWindowSession session;
    QCOMPARE(session.Start().menuBar()->actions().first()->text(), QStringLiteral("&File"));
  }

  void GermanLocaleTranslatesTheWindow() {
    QVERIFY(InstallTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany), VARNEL_TRANSLATIONS_FOLDER));
    TWindowSession session;
    TMain &main = session.Start();
    QCOMPARE(main.menuBar()->actions().first()->text(), QStringLiteral("&Datei"));
    QCOMPARE(session.Find<QMenu>("MenuFile")->title(), QStringLiteral("&Datei"));
    QCOMPARE(session.Find<QAction>("MenuFileOpen")->text(), QString::fromUtf8("&\xC3\x96"
                                                                              "ffnen..."));
    QCOMPARE(session.Find<QAction>("MenuViewOptions")->text(), QStringLiteral("&Einstellungen..."));
    QCOMPARE(main.ListModel().headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                                                                          "e"));
    // The add dialog's filters: their captions come from the engine's kind table.
    const QStringList filters = TAddDialog::FileFilters();
    QCOMPARE(filters.first(),
             QStringLiteral("Alle Quake-Formate (*.bin *.bsp *.cfg *.dat *.dem *.lmp *.mdl *.spr *.wad *.wav)"));
    QCOMPARE(filters.at(10), QString::fromUtf8("Wave-Kl\xC3\xA4nge (*.wav)"));
    // Qt's own texts come along where Qt has them.
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm")))
      QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
  }

  // lupdate brings new texts in unfinished, and lrelease leaves those out: the window would show them in English.
  void GermanSourceHasNoUnfinishedText() {
    QFile ts(QStringLiteral(VARNEL_TS_FOLDER "/varnel_de.ts"));
    QVERIFY(ts.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&ts);
    QString source;
    QStringList unfinished;
    while (!xml.atEnd()) {
      if (xml.readNext() != QXmlStreamReader::StartElement)
        continue;
      if (xml.name() == QLatin1String("source"))
        source = xml.readElementText(QXmlStreamReader::IncludeChildElements); // <byte> stands for a control character
      else if (xml.name() == QLatin1String("translation") &&
               xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished"))
        unfinished << source;
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(unfinished.isEmpty(), qPrintable(unfinished.join(QLatin1Char('\n'))));
  }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
