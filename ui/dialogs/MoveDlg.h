// SPDX-License-Identifier: GPL-3.0-or-later
// The move dialog: the archive directory that selected entries move to.
#pragma once

#include "PakQuake.h"

#include <QDialog>

class QComboBox;
class QPushButton;

class TMoveDialog : public QDialog {
  Q_OBJECT
public:
  TMoveDialog(const TQuakePak &pak, QWidget *parent = nullptr);

  // On OK the typed or chosen directory comes back (possibly empty: the top level).
  bool Execute(QString &targetDirectory);

private:
  const TQuakePak &m_Pak;
  QComboBox *m_MoveDirCombo = nullptr;
  QPushButton *m_OKBtn = nullptr;
  QPushButton *m_CancelBtn = nullptr;
};
