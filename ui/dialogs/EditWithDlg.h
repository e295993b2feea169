// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the program an entry is edited with: the installed
// applications that declare its type, or any program file the user picks,
// and whether to use it from now on for every file of that extension.
#pragma once

#include "SessionDialogs.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

class TEditWithDialog : public QDialog {
  Q_OBJECT
public:
  TEditWithDialog(TDesktopServices &desktop, QWidget *parent = nullptr);

  // Offers applications for fileName; extension (empty: none) names the
  // files the choice may be kept for. True with choice filled in on OK.
  bool Execute(const QString &fileName, const QString &extension, const QList<TDesktopApplication> &applications,
               TEditorChoice &choice);

private:
  // "Other Program...": an executable file the user picks is the choice at once.
  void ChooseOtherProgram();

  TDesktopServices &m_Desktop;
  QLabel *m_Prompt = nullptr;
  QListWidget *m_Applications = nullptr;
  QCheckBox *m_Remember = nullptr;
  QPushButton *m_OKBtn = nullptr;
  QString m_OtherProgram;
};
