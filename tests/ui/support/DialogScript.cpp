// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogScript.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

void TDialogScript::Expect(const QString &name, TAction action) {
  m_Steps.append({name, std::move(action)});
  if (!m_Armed) {
    m_Armed = true;
    Schedule();
  }
}

bool TDialogScript::Finish() {
  const bool clean = m_Steps.isEmpty() && Unexpected.isEmpty();
  if (!clean)
    qWarning("dialogs still expected: %lld, unexpected: %s", static_cast<long long>(m_Steps.size()),
             qPrintable(Unexpected.join(u',')));
  m_Steps.clear();
  Unexpected.clear();
  Seen.clear();
  m_Armed = false;
  return clean;
}

void TDialogScript::Schedule() {
  QTimer::singleShot(0, this, [this] { Tick(); });
}

void TDialogScript::Tick() {
  if (!m_Armed)
    return;
  if (QWidget *modal = QApplication::activeModalWidget()) {
    if (!m_Steps.isEmpty() && modal->objectName() == m_Steps.front().Name) {
      TStep step = m_Steps.takeFirst();
      Seen << step.Name;
      step.Action(*modal);
    } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
      Unexpected << modal->objectName();
      dialog->reject();
    }
  }
  Schedule();
}
