// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's note that the open archive holds more entries than the
// game loads, with the archive check a click away. Every large archive has
// that finding, so it is said here rather than by the check coming up.
#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

class TCheckNote : public QWidget {
  Q_OBJECT
public:
  explicit TCheckNote(QWidget *parent = nullptr);

  // Shown while entryCount is over the game's limit, hidden otherwise.
  void ShowCount(int entryCount);
  QString Text() const;

signals:
  // The note's Check button was clicked.
  void CheckRequested();

private:
  QLabel *m_Text = nullptr;
  QToolButton *m_CheckBtn = nullptr;
};
