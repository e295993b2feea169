// The extract dialog: destination folder, all or selected entries, and
// whether the entries' directories are recreated.
#pragma once

#include <QDialog>

class TDesktopServices;

class TExtractDialog : public QDialog {
public:
  TExtractDialog(TDesktopServices &desktop, QWidget *parent = nullptr);

  // Nothing comes back on Cancel.
  bool Execute(QString &targetDirectory, bool &maintainDirectory, bool &allFiles);

private:
  TDesktopServices &m_Desktop;
};
