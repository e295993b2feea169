// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the modal dialogs that a command opens, in the order they are
// expected, each by its object name. Between Expect and Finish it keeps
// watching: a modal dialog that was not expected is recorded and rejected,
// so a wrong road through a command fails the test instead of hanging it.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

class QWidget;

class TDialogScript : public QObject {
public:
  using TAction = std::function<void(QWidget &dialog)>;

  void Expect(const QString &name, TAction action);
  // True when every expected dialog came and no other one did; stops watching.
  bool Finish();

  QStringList Seen;
  QStringList Unexpected;

private:
  struct TStep {
    QString Name;
    TAction Action;
  };

  void Schedule();
  void Tick();

  QList<TStep> m_Steps;
  bool m_Armed = false;
};
