// SPDX-License-Identifier: GPL-3.0-or-later
// The program's texts in the user's language: Varnel's own translation and
// Qt's for its standard buttons and dialogs, both looked up for one locale.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// Where the program's .qm files lie: share/varnel/translations beside the
// folder that holds the program, both when installed and in the build tree.
QString TranslationsFolder();

// Installs into application the translations of locale that exist (Varnel's
// from folder, Qt's from Qt's own folder); without them the texts stay English.
// True when Varnel's own translation was found.
bool InstallTranslations(QCoreApplication &application, const QLocale &locale,
                         const QString &folder = TranslationsFolder());

// A plural text, tr("%n file(s)", "", n), made English when no translation
// gave its forms: "(s)" is dropped for one and spelled out for any other
// number. Varnel loads no translation for English, so its English plural
// forms are these.
QString EnglishPlural(QString text, int n);
