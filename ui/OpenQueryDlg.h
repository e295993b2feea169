// Asks whether a PAK file dropped on the window is opened or added.
#pragma once

#include <QDialog>
#include <cstdint>

enum TOpenOrAddAnswer : uint8_t { oaOpen, oaAdd, oaCancel };

class TOpenOrAddDialog : public QDialog {
public:
  explicit TOpenOrAddDialog(QWidget *parent = nullptr);

  // Esc and the title bar's close answer oaCancel.
  TOpenOrAddAnswer Execute();
};
