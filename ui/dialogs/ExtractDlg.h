// SPDX-License-Identifier: GPL-3.0-or-later
// The extract dialog: destination folder, all or selected entries, and
// whether the entries' directories are recreated.
#pragma once

#include <QDialog>
#include <QString>

class TDesktopServices;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// What "All Files" stands for: the entries the list shows, all of them below
// Folder (empty: the whole archive). A negative count: not known.
struct TExtractScope {
  int Count = -1;
  QString Folder;
};

class TExtractDialog : public QDialog {
  Q_OBJECT
public:
  TExtractDialog(TDesktopServices &desktop, QWidget *parent = nullptr);

  // Nothing comes back on Cancel.
  bool Execute(QString &targetDirectory, bool &maintainDirectory, bool &allFiles, const TExtractScope &scope = {});

  // A relative folder is refused with a message; the dialog stays open with it.
  void accept() override;

private slots:
  void BrowseBtnClick();

private:
  TDesktopServices &m_Desktop;
  QLineEdit *m_ExtractPathBox = nullptr;
  QPushButton *m_BrowseBtn = nullptr;
  QRadioButton *m_AllFilesRadio = nullptr;
  QRadioButton *m_SelFilesRadio = nullptr;
  QCheckBox *m_ExtractPathCheck = nullptr;
  QPushButton *m_OkBtn = nullptr;
  QPushButton *m_CancelBtn = nullptr;
};
