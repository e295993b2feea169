// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog: Quake and temporary directories, protection of the
// stock archives, name rules and undo settings.
#pragma once

#include "PakQuake.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TDesktopServices;

// Why a Quake directory is refused: the stock archive it lacks, or that none is set.
QString QuakeDirectoryDetail(const QString &directory);

class TSetDirectoryDialog : public QDialog {
  Q_OBJECT
public:
  TSetDirectoryDialog(TDesktopServices &desktop, QWidget *parent = nullptr);

  // A sentence above the options saying why they are asked for; empty: none.
  void ShowReason(const QString &reason);
  // Shows the values, runs the dialog modally and, on OK, writes them back.
  // maxUndoLevels is -1 for unlimited.
  bool Execute(QString &quakeDirectory, QString &tempDirectory, bool &protectStock, bool &allowUndo,
               bool &forceLowercase, int32_t &maxUndoLevels, TSpaceHandle &spaces);

  // OK takes the folders only as the session will: a relative one, or a
  // Quake directory without its stock archive, is said and the dialog stays.
  void accept() override;

private:
  void QuakeDirBtnClick();
  void TempDirBtnClick();
  void ProtectCheckClick(bool checked);

  TDesktopServices &m_Desktop;
  QLabel *m_ReasonLabel = nullptr;
  QLineEdit *m_QuakeDirBox = nullptr;
  QToolButton *m_QuakeDirBtn = nullptr;
  QLineEdit *m_TempDirBox = nullptr;
  QToolButton *m_TempDirBtn = nullptr;
  QButtonGroup *m_SpaceRadio = nullptr;
  QCheckBox *m_ProtectCheck = nullptr;
  QCheckBox *m_LowerCheck = nullptr;
  QCheckBox *m_UndoCheck = nullptr;
  QComboBox *m_UndoLevelCombo = nullptr;
};
