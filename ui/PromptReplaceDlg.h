// Asks whether an added file replaces the entry of the same name.
#pragma once

#include "PakQuake.h"

#include <QDialog>

class TConfirmReplaceDialog : public QDialog {
public:
  explicit TConfirmReplaceDialog(QWidget *parent = nullptr);

  // Enter answers frReplace; Esc and the title bar's close answer frCancel.
  TFileReplace Execute(const QString &entryName);
};
