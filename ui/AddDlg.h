// The add dialog: files and folders to add, the base folder that entry names
// are taken relative to, the archive directory that receives them, recursion.
#pragma once

#include "PakQuake.h"

#include <QDialog>
#include <QStringList>

class TDesktopServices;

class TAddDialog : public QDialog {
public:
  TAddDialog(const TQuakePak &pak, TDesktopServices &desktop, QWidget *parent = nullptr);

  // True when closed with OK and the list holds at least one path; then the
  // values come back. The recurse flag always comes back, also on Cancel.
  bool Execute(QStringList &files, QString &internalDirectory, QString &baseDirectory, bool &recurse);

private:
  const TQuakePak &m_Pak;
  TDesktopServices &m_Desktop;
};
