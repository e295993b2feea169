// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop for window tests: it answers from scripts that the test fills in
// beforehand and records every question it was asked, in order. When a script
// runs dry it answers as a user who cancels would.
#pragma once

#include "DesktopServices.h"

#include <QList>
#include <QPointer>
#include <QQueue>

// A program the scripted desktop "started": it runs until the test ends it.
class TScriptedProgram : public TStartedProgram {
public:
  bool Running = true;
  bool IsRunning() const override { return Running; }
  // Ends it as a real program ends, with its status and last error output.
  void End(int exitStatus, bool crashed = false, const QString &errors = {});
};

class TScriptedDesktop : public TDesktopServices {
public:
  struct TQuestion {
    QString Kind;        // "error", "warning", "confirm", "open", "save", "directory", "view"
    QString Text;        // the message, the chooser's title, or the opened path
    QString Detail = {}; // a box's detail: the file and the reason
    QMessageBox::StandardButton Default = QMessageBox::NoButton; // a confirmation's default answer
    TButtonTexts Buttons = {};                                   // a confirmation's renamed buttons
  };

  // Scripts, consumed from the front.
  QQueue<QMessageBox::StandardButton> ConfirmAnswers;
  QQueue<QStringList> OpenFilesAnswers;
  QQueue<QString> SaveFileAnswers;
  QQueue<QString> DirectoryAnswers;
  TOpenResult OpenResult = orNoApplication;
  bool StartResult = true;

  // What was asked.
  QList<TQuestion> Asked;
  QList<TFileDialogRequest> FileRequests;     // open and save choosers
  QList<bool> DirectoryCanCreate;             // one per folder chooser
  QStringList DirectoryStarts;                // one per folder chooser
  QStringList OpenedFiles;                    // paths handed to OpenWithDefaultApplication
  QStringList IconRequests;                   // paths whose icon was asked
  QList<QStringList> StartedPrograms;         // the commands handed to StartProgram; none runs
  QList<QPointer<TScriptedProgram>> Programs; // what each started command became, while its owner keeps it

  // The texts of the questions of one kind, in order.
  QStringList Texts(const QString &kind) const;

  // The details of the questions of one kind, in order.
  QStringList Details(const QString &kind) const;

  void ShowError(QWidget *parent, const QString &text, const QString &detail = {}) override;
  void ShowWarning(QWidget *parent, const QString &text, const QString &detail = {}) override;
  QMessageBox::StandardButton Confirm(QWidget *parent, const QString &text, QMessageBox::StandardButtons buttons,
                                      const QString &detail = {},
                                      QMessageBox::StandardButton defaultButton = QMessageBox::Yes,
                                      const TButtonTexts &texts = {}) override;
  QStringList ChooseOpenFiles(QWidget *parent, const TFileDialogRequest &request) override;
  QString ChooseSaveFile(QWidget *parent, const TFileDialogRequest &request) override;
  QString ChooseDirectory(QWidget *parent, const QString &title, const QString &start, bool canCreate) override;
  TOpenResult OpenWithDefaultApplication(const QString &path) override;
  QIcon FileIcon(const QString &path) override;
  // The installed applications are read as the real desktop reads them, from
  // the data folders the environment names.
  QList<TDesktopApplication> ApplicationsFor(const QString &mimeType) override;
  std::optional<TDesktopApplication> FindApplication(const QString &id) override;
  TStartedProgram *StartProgram(const QStringList &command, const QString &errorFile) override;

private:
  QStringList Collect(const QString &kind, QString TQuestion::*field) const;
};
