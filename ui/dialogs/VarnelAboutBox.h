// SPDX-License-Identifier: GPL-3.0-or-later
// The about box, and the program's icon.
#pragma once

#include <QDialog>
#include <QIcon>

// The program's own 32 x 32 icon.
QIcon VarnelIcon();

class TAboutBox : public QDialog {
  Q_OBJECT

public:
  explicit TAboutBox(QWidget *parent = nullptr);

protected:
  void showEvent(QShowEvent *event) override;
};
