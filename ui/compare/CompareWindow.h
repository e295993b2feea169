// SPDX-License-Identifier: GPL-3.0-or-later
// Two archives side by side: every name that one of them holds, whether only
// this archive (the one open in the window, as saved on disk) holds it, only
// the other, both with other contents, or both alike, with its size in each.
// The comparison reads both files away from the window's thread, so a large
// pair never freezes it; meanwhile the window says it is comparing. View and
// Extract take either archive's copy of the chosen rows. Nothing is changed
// on disk but the files the user extracts.
#pragma once

#include "PakQuake.h"
#include "SessionDialogs.h"

#include <QDialog>
#include <QString>
#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QTreeView;
class TArchiveSession;
class TCompareModel;
struct TCompareOutcome;

class TCompareWindow : public QDialog {
  Q_OBJECT
public:
  enum TSide : uint8_t { sdThis, sdOther };

  // Compares thisFile (the open archive's file) with otherFile, starting at
  // once. unsaved: the open archive has changes that thisFile does not hold
  // yet, which the window says.
  TCompareWindow(TArchiveSession &session, const QString &thisFile, const QString &otherFile, bool unsaved,
                 QWidget *parent);
  ~TCompareWindow() override;

  TCompareModel &Model() const { return *m_Model; }
  QTreeView *Rows() const { return m_Rows; }
  // The comparison still runs.
  bool Comparing() const { return m_Comparing; }
  const QString &FileOf(TSide side) const { return m_Files[side]; }

  // Opens the side's copy of the one selected row with the desktop's program
  // for it, or a picture lump in the lump viewer when there is none.
  void View(TSide side);
  // Extracts the side's copies of the selected rows, or of every row on show
  // that the side holds, where the user says.
  void Extract(TSide side);

signals:
  // The comparison ended: the rows are in, or its failure was said.
  void Compared();

private:
  void Start();
  void TakeOutcome(const std::shared_ptr<TCompareOutcome> &outcome);
  void UpdateCommands();
  void ShowCounts();
  // The side's place of the entry of a row on show; -1 when the side does not hold it.
  int32_t IndexOn(TSide side, int row) const;
  // Runs a command, and shows in an error box over this window whatever it lets escape.
  void Run(const std::function<void()> &command);

  TArchiveSession &m_Session;
  TWindowDialogs m_Dialogs;
  std::array<QString, 2> m_Files;
  std::array<std::unique_ptr<TQuakePak>, 2> m_Paks; // read-only, each as it was when compared
  TCompareModel *m_Model = nullptr;
  QTreeView *m_Rows = nullptr;
  QLabel *m_Status = nullptr;
  QProgressBar *m_Busy = nullptr;
  std::array<QCheckBox *, 4> m_Filters{};
  std::array<QAction *, 2> m_ViewActions{};
  std::array<QAction *, 2> m_ExtractActions{};
  bool m_Comparing = false;
};

// Asks for a PAK file and compares the open archive with it.
void CompareWithChosen(TArchiveSession &session, QWidget *window);
// Whether the open archive can be compared with the file at otherFile: it has
// a file of its own, and otherFile is one PAK file.
bool CanCompareWith(const TArchiveSession &session, const QString &otherFile);
// Shows the comparison of the open archive's file with otherFile beside window.
TCompareWindow *CompareWith(TArchiveSession &session, const QString &otherFile, QWidget *window);
