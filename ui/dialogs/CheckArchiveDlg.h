// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check in the window: one row per finding of the engine's check
// (severity, entry, message). Enter on a row names the entry, so that the
// main window can select it in the list, and the check stays open beside the
// window; a double click or Go to Entry does the same and closes the check.
// The rows are a model over the findings, whose texts are made only for the
// rows on show: a damaged archive may have a finding for every one of its
// hundred thousand entries.
#pragma once

#include "PakQuake.h"

#include <QDialog>
#include <string>

class QLabel;
class QTreeView;
class TCheckFindingsModel;
class TEntryListView;

class TCheckArchiveDlg : public QDialog {
  Q_OBJECT
public:
  explicit TCheckArchiveDlg(QWidget *parent = nullptr);

  // Shows the findings in the engine's order; none: a row saying so.
  void ShowFindings(TCheckFindings findings);
  QTreeView *Rows() const { return m_Rows; }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

signals:
  // A row of an entry was activated: its stored name and place in the directory.
  void EntryActivated(const std::string &entryName, int index);

private:
  // Names the entry of the row, if it has one; whether it had.
  bool ShowEntry(const QModelIndex &index);
  void GoToEntry(const QModelIndex &index);

  TCheckFindingsModel *m_Model = nullptr;
  QTreeView *m_Rows = nullptr;
  QLabel *m_Summary = nullptr;
};

// The number of findings of that severity.
int CountFindings(const TCheckFindings &findings, TCheckSeverity severity);
// Whether a finding means damage or data lost, so that the check comes up by
// itself when an archive opens with it: a damaged file, overlapping data, a
// second entry of one name, a name that fills its whole field. Not so the
// count over the game's limit, which every large archive has, nor warnings.
bool MeansDamageOrLoss(const TCheckFinding &finding);

// Selects the row of the entry stored under entryName (alone) and shows it;
// of several under that name, the one whose data lies at position. False
// when the list has no such row.
bool SelectEntryRow(TEntryListView &list, const std::string &entryName, int32_t position);
