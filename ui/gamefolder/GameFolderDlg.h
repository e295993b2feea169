// SPDX-License-Identifier: GPL-3.0-or-later
// The game to look at: a Quake directory, a mod folder picked from its
// sub-folders (or none: id1 alone), the mission packs found there, and the
// engine whose rules build the search path.
#pragma once

#include "PakQuake.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class TDesktopServices;

class TGameFolderDialog : public QDialog {
  Q_OBJECT
public:
  // quakeDirectory: the one proposed (the options' Quake directory).
  TGameFolderDialog(TDesktopServices &desktop, const QString &quakeDirectory, QWidget *parent = nullptr);

  // Shows the dialog; on OK, setup holds the choice.
  bool Execute(TGameSetup &setup);
  // The choice as the controls hold it now.
  TGameSetup Setup() const;
  // Chooses that mod folder when the Quake directory has it (the folder of
  // the archive open in the window, say); else the choice stays.
  void ProposeMod(const QString &folder);

  // A folder that is no full path or holds no id1 is refused with a message; the dialog stays open.
  void accept() override;

  // The mission packs' folder names offered when a folder of that name (in any letter case) is there.
  static const QStringList &MissionPackNames();

private:
  // Fills the mod list and the mission packs from the folder typed.
  void ReadFolders();
  QString TypedDirectory() const;

  TDesktopServices &m_Desktop;
  QLineEdit *m_QuakeDirBox = nullptr;
  QComboBox *m_ModBox = nullptr;
  QVBoxLayout *m_PackLayout = nullptr;
  QList<QCheckBox *> m_Packs;
  QLabel *m_PackLabel = nullptr;
  QWidget *m_PackRow = nullptr;
  QComboBox *m_ProfileBox = nullptr;
};
