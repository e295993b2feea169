// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"

bool TScriptedDialogs::ChooseFilesToAdd(const TQuakePak &, QStringList &files, QString &internalDirectory,
                                        QString &baseDirectory, bool &) {
  Asked << QStringLiteral("add");
  AddProposals << files;
  if (AddAnswers.isEmpty())
    return false;
  const TAddAnswer answer = AddAnswers.dequeue();
  files = answer.Files;
  internalDirectory = answer.InternalDirectory;
  baseDirectory = answer.BaseDirectory;
  return !files.isEmpty();
}

bool TScriptedDialogs::ChooseExtraction(QString &targetDirectory, bool &maintainDirectory, bool &allFiles,
                                        const TExtractScope &) {
  Asked << QStringLiteral("extract");
  ExtractProposals << TExtractAnswer{targetDirectory, maintainDirectory, allFiles};
  if (ExtractAnswers.isEmpty())
    return false;
  const TExtractAnswer answer = ExtractAnswers.dequeue();
  targetDirectory = answer.TargetDirectory;
  maintainDirectory = answer.MaintainDirectory;
  allFiles = answer.AllFiles;
  return true;
}

bool TScriptedDialogs::ChooseMoveTarget(const TQuakePak &, QString &targetDirectory) {
  Asked << QStringLiteral("move");
  if (MoveAnswers.isEmpty())
    return false;
  targetDirectory = MoveAnswers.dequeue();
  return true;
}

bool TScriptedDialogs::EditOptions(TOptionValues &values) {
  Asked << QStringLiteral("options");
  if (OptionEdits.isEmpty())
    return false;
  OptionEdits.dequeue()(values);
  return true;
}

TOpenOrAddAnswer TScriptedDialogs::AskOpenOrAdd() {
  Asked << QStringLiteral("open-or-add");
  return OpenOrAddAnswers.isEmpty() ? oaCancel : OpenOrAddAnswers.dequeue();
}

TFileReplace TScriptedDialogs::AskReplace(const QString &entryName) {
  Asked << QStringLiteral("replace ") + entryName;
  return ReplaceAnswers.isEmpty() ? frCancel : ReplaceAnswers.dequeue();
}

TFileReplace TScriptedDialogs::AskReplaceFile(const QString &path) {
  Asked << QStringLiteral("replace file ") + path;
  return ReplaceAnswers.isEmpty() ? frCancel : ReplaceAnswers.dequeue();
}

void TScriptedDialogs::ShowPicture(const TBitmap *bitmap, const QString &, const std::string &entryName,
                                   const std::string &, const std::function<void()> &) {
  Asked << QStringLiteral("picture ") + QString::fromStdString(entryName);
  PictureSizes << (bitmap != nullptr ? QSize(bitmap->Width(), bitmap->Height()) : QSize());
}

bool TScriptedDialogs::ChooseEditor(const QString &fileName, const QString &,
                                    const QList<TDesktopApplication> &applications, TEditorChoice &choice) {
  Asked << QStringLiteral("editor ") + fileName;
  QStringList ids;
  for (const TDesktopApplication &application : applications)
    ids << application.Id;
  EditorOffers << ids;
  if (EditorAnswers.isEmpty())
    return false;
  choice = EditorAnswers.dequeue();
  return true;
}

bool TScriptedDialogs::AskText(const QString &title, const QString &, QString &text) {
  Asked << QStringLiteral("text ") + title + QStringLiteral(": ") + text;
  if (TextAnswers.isEmpty())
    return false;
  text = TextAnswers.dequeue();
  return true;
}
