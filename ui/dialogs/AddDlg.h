// SPDX-License-Identifier: GPL-3.0-or-later
// The add dialog: files and folders to add, the base folder that entry names
// are taken relative to, the archive directory that receives them, recursion.
#pragma once

#include "PakQuake.h"

#include <QDialog>
#include <QStringList>

class TDesktopServices;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

class TAddDialog : public QDialog {
  Q_OBJECT
public:
  TAddDialog(const TQuakePak &pak, TDesktopServices &desktop, QWidget *parent = nullptr);

  // True when closed with OK and the list holds at least one path; then the
  // values come back. The recurse flag always comes back, also on Cancel.
  bool Execute(QStringList &files, QString &internalDirectory, QString &baseDirectory, bool &recurse);

  // The file chooser's filters, in the user's language, made from the kind
  // table (FileKinds): "All Quake Formats" with every extension that has a
  // filter, one filter per caption in the order of its first extension, all files.
  static QStringList FileFilters();

protected:
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private slots:
  void AddBtnClick();
  void AddDirBtnClick();
  void DelBtnClick();
  void FileListBoxSelectionChanged();
  // Shows beside each listed path the entry name it gets with the directories as they stand.
  void ShowEntryNames();

private:
  // Offers a directory (with a trailing "/") in the base-directory list, and
  // selects it unless the user has chosen a base directory of their own.
  void AddBaseDirectory(const QString &directory);
  // Index of the listed path equal to path ignoring ASCII case; -1 when none.
  int FindListedPath(const QString &path) const;
  void AppendPath(const QString &path);
  void FillDirCombo();
  QString EntryNameFor(const QString &path) const;

  const TQuakePak &m_Pak;
  TDesktopServices &m_Desktop;
  QComboBox *m_BaseDirCombo = nullptr;
  // The base directory the dialog itself put in the box last; one the user
  // typed or picked instead is never replaced.
  QString m_OfferedBase;
  QListWidget *m_FileListBox = nullptr;
  QPushButton *m_AddBtn = nullptr;
  QPushButton *m_AddDirBtn = nullptr;
  QPushButton *m_DelBtn = nullptr;
  QCheckBox *m_RecurseCheck = nullptr;
  QComboBox *m_DirCombo = nullptr;
  QPushButton *m_OKBtn = nullptr;
  QPushButton *m_CancelBtn = nullptr;
};
