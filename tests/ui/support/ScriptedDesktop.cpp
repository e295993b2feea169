// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDesktop.h"

#include <QPixmap>

QStringList TScriptedDesktop::Collect(const QString &kind, QString TQuestion::*field) const {
  QStringList values;
  for (const TQuestion &question : Asked)
    if (question.Kind == kind)
      values << question.*field;
  return values;
}

QStringList TScriptedDesktop::Texts(const QString &kind) const { return Collect(kind, &TQuestion::Text); }

QStringList TScriptedDesktop::Details(const QString &kind) const { return Collect(kind, &TQuestion::Detail); }

void TScriptedDesktop::ShowError(QWidget *, const QString &text, const QString &detail) {
  Asked.append({"error", text, detail});
}

void TScriptedDesktop::ShowWarning(QWidget *, const QString &text, const QString &detail) {
  Asked.append({"warning", text, detail});
}

QMessageBox::StandardButton TScriptedDesktop::Confirm(QWidget *, const QString &text,
                                                      QMessageBox::StandardButtons buttons, const QString &detail,
                                                      QMessageBox::StandardButton defaultButton,
                                                      const TButtonTexts &texts) {
  Asked.append({"confirm", text, detail, defaultButton, texts});
  if (!ConfirmAnswers.isEmpty())
    return ConfirmAnswers.dequeue();
  return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
}

QStringList TScriptedDesktop::ChooseOpenFiles(QWidget *, const TFileDialogRequest &request) {
  Asked.append({"open", request.Title});
  FileRequests.append(request);
  return OpenFilesAnswers.isEmpty() ? QStringList() : OpenFilesAnswers.dequeue();
}

QString TScriptedDesktop::ChooseSaveFile(QWidget *, const TFileDialogRequest &request) {
  Asked.append({"save", request.Title});
  FileRequests.append(request);
  return SaveFileAnswers.isEmpty() ? QString() : SaveFileAnswers.dequeue();
}

QString TScriptedDesktop::ChooseDirectory(QWidget *, const QString &title, const QString &start, bool canCreate) {
  Asked.append({"directory", title});
  DirectoryCanCreate.append(canCreate);
  DirectoryStarts.append(start);
  return DirectoryAnswers.isEmpty() ? QString() : DirectoryAnswers.dequeue();
}

TDesktopServices::TOpenResult TScriptedDesktop::OpenWithDefaultApplication(const QString &path) {
  Asked.append({"view", path});
  OpenedFiles.append(path);
  return OpenResult;
}

QIcon TScriptedDesktop::FileIcon(const QString &path) {
  IconRequests.append(path);
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::gray);
  return QIcon(pixmap);
}

QList<TDesktopApplication> TScriptedDesktop::ApplicationsFor(const QString &mimeType) {
  return InstalledApplicationsFor(mimeType);
}

std::optional<TDesktopApplication> TScriptedDesktop::FindApplication(const QString &id) {
  return FindInstalledApplication(id);
}

TStartedProgram *TScriptedDesktop::StartProgram(const QStringList &command, const QString &) {
  StartedPrograms.append(command);
  if (!StartResult)
    return nullptr;
  auto *program = new TScriptedProgram;
  Programs.append(program);
  return program;
}

void TScriptedProgram::End(int exitStatus, bool crashed, const QString &errors) {
  Running = false;
  emit Ended(exitStatus, crashed, errors);
}
