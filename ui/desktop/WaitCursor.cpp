// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaitCursor.h"

#include <QGuiApplication>

TWaitCursor::TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

TWaitCursor::~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }

TNormalCursor::TNormalCursor() {
  while (const QCursor *cursor = QGuiApplication::overrideCursor()) {
    m_Taken.push_back(*cursor);
    QGuiApplication::restoreOverrideCursor();
  }
}

TNormalCursor::~TNormalCursor() {
  for (auto cursor = m_Taken.rbegin(); cursor != m_Taken.rend(); ++cursor)
    QGuiApplication::setOverrideCursor(*cursor);
}
