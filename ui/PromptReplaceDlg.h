// Asks whether an added file replaces the entry of the same name.
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

private:
  // Closes the dialog with an answer.
  void Answer(TFileReplace answer);

  TFileReplace m_Answer = frCancel;
  QLabel *m_FileNameLabel = nullptr;
  QPushButton *m_YesBtn = nullptr;
};
