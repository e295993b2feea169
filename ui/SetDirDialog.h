// The options dialog: Quake and temporary directories, protection of the
// stock archives, name rules and undo settings.
#pragma once

#include "PakQuake.h"

#include <QDialog>

class TDesktopServices;

class TSetDirectoryDialog : public QDialog {
public:
  TSetDirectoryDialog(TDesktopServices &desktop, QWidget *parent = nullptr);

  // Shows the values, runs the dialog modally and, on OK, writes them back.
  // maxUndoLevels is -1 for unlimited.
  bool Execute(QString &quakeDirectory, QString &tempDirectory, bool &protectStock, bool &allowUndo,
               bool &forceLowercase, int32_t &maxUndoLevels, TSpaceHandle &spaces);

private:
  TDesktopServices &m_Desktop;
};
