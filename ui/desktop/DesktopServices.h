// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the windows ask of the desktop: message boxes, file and folder
// choosers, opening a file with its program, and file icons. Windows reach it
// through this one interface, so tests can put scripted answers in its place.
#pragma once

#include "DesktopApplications.h"

#include <QIcon>
#include <QMap>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Texts of a confirmation's buttons in place of their standard ones ("&Overwrite" for Yes).
using TButtonTexts = QMap<QMessageBox::StandardButton, QString>;

struct TFileDialogRequest {
  QString Title;
  QString Directory;     // where the chooser starts; empty: its own default
  QString FileName;      // proposed name (save choosers)
  QStringList Filters;   // "Quake PAK Files (*.pak)", ... the first is selected
  QString DefaultSuffix; // appended when the user types a name without one
  bool Multiple = false; // open choosers: several files may be chosen
};

// A program started on a file, for as long as its starter holds it: whether it
// still runs, and how it ended. Destroying it leaves the program running.
class TStartedProgram : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
  virtual bool IsRunning() const = 0;

signals:
  // Once, from the event loop, when the program ends. exitStatus: its exit
  // status, or the signal that ended it when crashed; errors: the last lines
  // of its error output, empty when it wrote none.
  void Ended(int exitStatus, bool crashed, const QString &errors);
};

class TDesktopServices {
public:
  enum TOpenResult { orOpened, orNoApplication, orFailed };

  virtual ~TDesktopServices() = default;

  // An error box with an OK button; detail, when given, names the file and
  // the reason below the text.
  virtual void ShowError(QWidget *parent, const QString &text, const QString &detail = {}) = 0;
  // A warning box with an OK button.
  virtual void ShowWarning(QWidget *parent, const QString &text, const QString &detail = {}) = 0;
  // A confirmation box with the given buttons (Yes|No or Yes|No|Cancel);
  // returns the button chosen, Cancel (or No without Cancel) when closed.
  // Enter picks defaultButton; texts renames buttons whose standard text
  // would not say what they do.
  virtual QMessageBox::StandardButton Confirm(QWidget *parent, const QString &text,
                                              QMessageBox::StandardButtons buttons, const QString &detail = {},
                                              QMessageBox::StandardButton defaultButton = QMessageBox::Yes,
                                              const TButtonTexts &texts = {}) = 0;
  // Existing files; empty when cancelled.
  virtual QStringList ChooseOpenFiles(QWidget *parent, const TFileDialogRequest &request) = 0;
  // A file name to write, after the chooser's own overwrite question; empty when cancelled.
  virtual QString ChooseSaveFile(QWidget *parent, const TFileDialogRequest &request) = 0;
  // An existing directory; empty when cancelled.
  virtual QString ChooseDirectory(QWidget *parent, const QString &title, const QString &start, bool canCreate) = 0;
  // Opens a file with the desktop's default program for its type.
  virtual TOpenResult OpenWithDefaultApplication(const QString &path) = 0;
  // The desktop's icon for a file.
  virtual QIcon FileIcon(const QString &path) = 0;
  // The installed applications that declare the MIME type, by name.
  virtual QList<TDesktopApplication> ApplicationsFor(const QString &mimeType) = 0;
  // The installed application of that desktop file id.
  virtual std::optional<TDesktopApplication> FindApplication(const QString &id) = 0;
  // Starts the program command names first with the rest as its arguments;
  // its error output goes to errorFile. The caller owns what comes back; null
  // when the program could not be started.
  virtual TStartedProgram *StartProgram(const QStringList &command, const QString &errorFile) = 0;
};

// The real desktop: QMessageBox, QFileDialog, the MIME database and xdg defaults.
class TSystemDesktop : public TDesktopServices {
public:
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
  QList<TDesktopApplication> ApplicationsFor(const QString &mimeType) override;
  std::optional<TDesktopApplication> FindApplication(const QString &id) override;
  TStartedProgram *StartProgram(const QStringList &command, const QString &errorFile) override;
};
