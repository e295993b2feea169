// SPDX-License-Identifier: GPL-3.0-or-later
#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
// Loads the best file prefix_LANGUAGE.qm in folder for locale; the translator
// belongs to the application from then on.
bool Install(QCoreApplication &application, const QLocale &locale, const QString &prefix, const QString &folder) {
  auto *translator = new QTranslator(&application);
  if (!translator->load(locale, prefix, QStringLiteral("_"), folder) || !application.installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}
} // namespace

QString TranslationsFolder() {
  return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/varnel/translations"));
}

bool InstallTranslations(QCoreApplication &application, const QLocale &locale, const QString &folder) {
  // English is the language the texts are written in: nothing to load.
  if (locale.language() == QLocale::English || locale.language() == QLocale::C)
    return false;
  // Qt's own texts follow only when Varnel's do: a window half in one
  // language and half in another helps nobody.
  if (!Install(application, locale, QStringLiteral("varnel"), folder))
    return false;
  Install(application, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return true;
}

QString EnglishPlural(QString text, int n) {
  return text.replace(QLatin1String("(s)"), n == 1 ? QString() : QStringLiteral("s"));
}
