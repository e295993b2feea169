// SPDX-License-Identifier: GPL-3.0-or-later
// The mouse pointer while a command works: the hourglass, and the normal
// pointer again while a question waits for the user.
#pragma once

#include <QCursor>
#include <vector>

// Shows the hourglass for as long as it lives, also when a failure unwinds.
class TWaitCursor {
public:
  TWaitCursor();
  ~TWaitCursor();
  TWaitCursor(const TWaitCursor &) = delete;
  TWaitCursor &operator=(const TWaitCursor &) = delete;
};

// Takes away every override cursor for as long as it lives, so the user sees
// the normal pointer, and puts the same ones back afterwards, also when a
// failure unwinds: the pushes and pops stay balanced whoever made them.
class TNormalCursor {
public:
  TNormalCursor();
  ~TNormalCursor();
  TNormalCursor(const TNormalCursor &) = delete;
  TNormalCursor &operator=(const TNormalCursor &) = delete;

private:
  std::vector<QCursor> m_Taken;
};
