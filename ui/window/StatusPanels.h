// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's status bar: five panels (entry count, selection, archive
// state, the progress bar over the fourth, and a free one), or instead of
// them the hint that no Quake directory is set; and the progress display,
// which keeps closes and drops away from the window while it runs.
#pragma once

#include <QObject>
#include <QString>
#include <array>

class QLabel;
class QProgressBar;
class QStatusBar;
class QToolButton;
class QWidget;

class TStatusPanels : public QObject {
  Q_OBJECT
public:
  // Fills bar with the panels; window is what the progress display guards.
  TStatusPanels(QStatusBar *bar, QWidget *window);

  // The text of panel 0 to 4; empty for any other number.
  QString Text(int panel) const;
  void SetText(int panel, const QString &text);
  // Shows the hint in place of the panels, or the panels again.
  void ShowQuakeHint(bool shown);
  // Widths for the texts the first three panels show, in the bar's font.
  void FitPanelsToFont();

  // A finished task's report in place of the two last panels, with a button
  // that opens folder; it stands until the next operation starts.
  void ShowNotice(const QString &text, const QString &folder);

  void StartProgress();
  void ShowProgress(int percent);
  void EndProgress();

signals:
  // The notice's Open Folder button was clicked.
  void OpenFolderRequested(const QString &folder);

private:
  void SetNoticeShown(bool shown);

  QStatusBar *m_Bar;
  QWidget *m_Window;
  QObject *m_BusyFilter;
  QLabel *m_MessagePanel = nullptr;
  std::array<QLabel *, 5> m_Panels{};
  QProgressBar *m_ProgressBar = nullptr;
  QLabel *m_Notice = nullptr;
  QToolButton *m_OpenFolderBtn = nullptr;
  QString m_NoticeFolder;
  bool m_HintShown = false;
};
