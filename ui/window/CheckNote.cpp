// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckNote.h"

#include "PakFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>

TCheckNote::TCheckNote(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CheckNote"));
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_Text = new QLabel(this);
  m_Text->setObjectName(QStringLiteral("CheckNoteText"));
  layout->addWidget(m_Text);
  m_CheckBtn = new QToolButton(this);
  m_CheckBtn->setObjectName(QStringLiteral("CheckNoteBtn"));
  m_CheckBtn->setText(tr("Check Archive"));
  m_CheckBtn->setAutoRaise(true);
  layout->addWidget(m_CheckBtn);
  connect(m_CheckBtn, &QToolButton::clicked, this, &TCheckNote::CheckRequested);
  hide();
}

void TCheckNote::ShowCount(int entryCount) {
  if (entryCount <= PakFormat::MaxGameEntries) {
    hide();
    return;
  }
  const QLocale locale;
  m_Text->setText(tr("%1 entries: the game loads no archive of more than %2")
                      .arg(locale.toString(entryCount), locale.toString(PakFormat::MaxGameEntries)));
  show();
}

QString TCheckNote::Text() const { return isHidden() ? QString() : m_Text->text(); }
