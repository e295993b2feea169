// SPDX-License-Identifier: GPL-3.0-or-later
// Varnel's own dialogs for tests of the archive session without a window:
// each question is answered from a script the test fills in beforehand and
// recorded, in order. A script that runs dry answers as a user who cancels.
#pragma once

#include "SessionDialogs.h"

#include <QList>
#include <QQueue>
#include <QSize>
#include <functional>

class TScriptedDialogs : public TSessionDialogs {
public:
  struct TAddAnswer {
    QStringList Files; // replaces the list the dialog was given
    QString InternalDirectory;
    QString BaseDirectory;
  };
  struct TExtractAnswer {
    QString TargetDirectory;
    bool MaintainDirectory = false;
    bool AllFiles = false;
  };

  // Scripts, consumed from the front.
  QQueue<TAddAnswer> AddAnswers;
  QQueue<TExtractAnswer> ExtractAnswers;
  QQueue<QString> MoveAnswers;
  QQueue<std::function<void(TOptionValues &)>> OptionEdits; // each one an OK after its edit
  QQueue<TOpenOrAddAnswer> OpenOrAddAnswers;
  QQueue<TFileReplace> ReplaceAnswers; // for entries of an add and files of an extraction alike
  QQueue<TEditorChoice> EditorAnswers;
  QQueue<QString> TextAnswers;

  // What was asked: "add", "extract", "move", "options", "open-or-add",
  // "replace NAME", "replace file PATH", "picture NAME", "editor NAME" and "text TITLE: PROPOSED", in order.
  QStringList Asked;
  QList<QStringList> AddProposals;        // the paths each add dialog was given
  QList<TExtractAnswer> ExtractProposals; // what each extract dialog proposed
  QList<QSize> PictureSizes;              // an empty size for no picture
  QList<QStringList> EditorOffers;        // the ids of the applications each editor question offered

  bool ChooseFilesToAdd(const TQuakePak &pak, QStringList &files, QString &internalDirectory, QString &baseDirectory,
                        bool &recurse) override;
  bool ChooseExtraction(QString &targetDirectory, bool &maintainDirectory, bool &allFiles,
                        const TExtractScope &scope) override;
  bool ChooseMoveTarget(const TQuakePak &pak, QString &targetDirectory) override;
  bool EditOptions(TOptionValues &values) override;
  TOpenOrAddAnswer AskOpenOrAdd() override;
  TFileReplace AskReplace(const QString &entryName) override;
  TFileReplace AskReplaceFile(const QString &path) override;
  void ShowPicture(const TBitmap *bitmap, const QString &reason, const std::string &entryName,
                   const std::string &archiveFileName, const std::function<void()> &exportPicture) override;
  bool ChooseEditor(const QString &fileName, const QString &extension, const QList<TDesktopApplication> &applications,
                    TEditorChoice &choice) override;
  bool AskText(const QString &title, const QString &label, QString &text) override;
};
