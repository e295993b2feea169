// The editing actions of the main window: add, drop, delete, extract, move,
// view, undo, the replace question while adding, and the progress display.
#include "MainForm.h"

#include <QCoreApplication>
#include <QProgressBar>

void TMain::MenuActionsAddClick() {}

void TMain::DropFiles(const QStringList &) {}

void TMain::MenuActionsDelClick() {}

void TMain::MenuActionsExtractClick() {}

void TMain::MenuActionsMoveClick() {}

void TMain::OneViewListDblClick() {}

void TMain::ViewSelectedEntry() {}

void TMain::MenuActionsUndoClick() {
  if (m_Pak.CanUndo())
    m_Pak.Undo();
  Refresh();
}

void TMain::PakAddFileExists(TQuakePak &, const std::string &, TFileReplace &) {}

void TMain::PakStartCallback(TQuakePak &) {
  if (m_ProgressBar == nullptr)
    return;
  m_ProgressBar->setValue(0);
  m_ProgressBar->show();
  // The operation runs on this thread: let the bar paint, but take no input meanwhile.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMain::PakCallback(TQuakePak &, uint8_t percent) {
  if (m_ProgressBar == nullptr)
    return;
  m_ProgressBar->setValue(percent);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMain::PakEndCallback(TQuakePak &) {
  if (m_ProgressBar != nullptr)
    m_ProgressBar->hide();
}
