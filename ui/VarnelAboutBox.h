// The about box, and the program's icon.
#pragma once

#include <QDialog>
#include <QIcon>

// The program's own 32 x 32 icon.
QIcon VarnelIcon();

class TAboutBox : public QDialog {
public:
  explicit TAboutBox(QWidget *parent = nullptr);
};
