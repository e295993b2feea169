// SPDX-License-Identifier: GPL-3.0-or-later
// Asks whether a PAK file dropped on the window is opened or added.
#pragma once

#include <QDialog>
#include <cstdint>

class QPushButton;

enum TOpenOrAddAnswer : uint8_t { oaOpen, oaAdd, oaCancel };

class TOpenOrAddDialog : public QDialog {
  Q_OBJECT
public:
  explicit TOpenOrAddDialog(QWidget *parent = nullptr);

  // Esc and the title bar's close answer oaCancel.
  TOpenOrAddAnswer Execute();

private:
  // Closes the dialog with an answer.
  void Answer(TOpenOrAddAnswer answer);

  TOpenOrAddAnswer m_Answer = oaCancel;
  QPushButton *m_OpenBtn = nullptr;
};
