// SPDX-License-Identifier: GPL-3.0-or-later
// Asks whether an added file replaces the entry of the same name, or an
// extracted entry the file already on disk.
#pragma once

#include "PakQuake.h"

#include <QDialog>

class QLabel;
class QPushButton;

class TConfirmReplaceDialog : public QDialog {
  Q_OBJECT
public:
  explicit TConfirmReplaceDialog(QWidget *parent = nullptr);

  // Enter answers frReplace; Esc and the title bar's close answer frCancel.
  TFileReplace Execute(const QString &entryName);
  // The same about a file on disk that an extraction would replace. A file
  // replaced on disk cannot be brought back: Enter answers frSkip here.
  TFileReplace ExecuteForFile(const QString &path);

private:
  // Closes the dialog with an answer.
  void Answer(TFileReplace answer);

  // Shows the question with its texts and runs it, answerBtn being the default.
  TFileReplace Ask(const QString &fileName, const QString &where, const QString &question, QPushButton *answerBtn);

  TFileReplace m_Answer = frCancel;
  QLabel *m_FileNameLabel = nullptr;
  QLabel *m_WhereLabel = nullptr;
  QLabel *m_QuestionLabel = nullptr;
  QPushButton *m_YesBtn = nullptr;
  QPushButton *m_NoBtn = nullptr;
};
