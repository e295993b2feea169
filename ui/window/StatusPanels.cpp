// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusPanels.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {
// Installed on the main window while an operation reports progress. The bar
// is repainted by letting the event loop run (without user input), and some
// events reach the window all the same: a request to close it, or a drop,
// would otherwise start a second command in the middle of the first.
class TBusyFilter : public QObject {
public:
  explicit TBusyFilter(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("BusyFilter")); }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    switch (event->type()) {
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      event->ignore();
      return true;
    default:
      return QObject::eventFilter(watched, event);
    }
  }
};

// A label that takes the room the bar has left and shows as much of its text
// as fits, giving way in the middle (where a long folder name is), so that a
// narrow window keeps the start and the end of the sentence in sight.
class TElidedLabel : public QLabel {
public:
  using QLabel::QLabel;

  QSize minimumSizeHint() const override {
    QSize size = QLabel::minimumSizeHint();
    size.setWidth(fontMetrics().horizontalAdvance(QStringLiteral("Extracted …")));
    return size;
  }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
  }
};

// The width of a panel that shows text whole: the text and the label's margins.
int FitWidth(const QFontMetrics &metrics, const QString &text) { return metrics.horizontalAdvance(text) + 8; }
} // namespace

TStatusPanels::TStatusPanels(QStatusBar *bar, QWidget *window)
    : QObject(window), m_Bar(bar), m_Window(window), m_BusyFilter(new TBusyFilter(this)) {
  m_Bar->setObjectName(QStringLiteral("StatusBar"));
  m_MessagePanel = new QLabel(m_Bar);
  m_MessagePanel->setObjectName(QStringLiteral("MessagePanel"));
  m_MessagePanel->setMinimumWidth(200);
  m_MessagePanel->setText(tr("You need to set the Quake directory. See View|Options"));
  m_MessagePanel->hide();
  m_Bar->addWidget(m_MessagePanel, 1);

  const int designWidths[] = {55, 100, 55, 150, 50};
  for (size_t i = 0; i < m_Panels.size(); ++i) {
    auto *panel = new QLabel(m_Bar);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setFixedWidth(designWidths[i]);
    m_Panels[i] = panel;
    m_Bar->addWidget(panel, i + 1 == m_Panels.size() ? 1 : 0);
  }
  // The progress bar lies over panel 3.
  auto *holderLayout = new QHBoxLayout(m_Panels[3]);
  holderLayout->setContentsMargins(4, 2, 4, 2);
  m_ProgressBar = new QProgressBar(m_Panels[3]);
  m_ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  m_ProgressBar->setRange(0, 100);
  m_ProgressBar->setTextVisible(false);
  m_ProgressBar->setFixedWidth(141);
  m_ProgressBar->setValue(0);
  m_ProgressBar->hide();
  holderLayout->addWidget(m_ProgressBar);
  holderLayout->addStretch();

  // The report takes the place of the two last panels, which stand empty
  // while no operation runs, so that it has the room a narrow window has.
  m_Notice = new TElidedLabel(m_Bar);
  m_Notice->setObjectName(QStringLiteral("NoticePanel"));
  m_Notice->hide();
  m_Bar->addWidget(m_Notice, 1);
  m_OpenFolderBtn = new QToolButton(m_Bar);
  m_OpenFolderBtn->setObjectName(QStringLiteral("OpenFolderBtn"));
  // An icon, named in its tooltip, so that the report keeps the room.
  m_OpenFolderBtn->setText(tr("Open Folder"));
  m_OpenFolderBtn->setToolTip(tr("Open Folder"));
  m_OpenFolderBtn->setIcon(QIcon::fromTheme(QStringLiteral("folder-open"), m_Bar->style()->standardIcon(QStyle::SP_DirOpenIcon)));
  m_OpenFolderBtn->setToolButtonStyle(Qt::ToolButtonIconOnly);
  m_OpenFolderBtn->setAutoRaise(true);
  m_OpenFolderBtn->hide();
  m_Bar->addWidget(m_OpenFolderBtn);
  connect(m_OpenFolderBtn, &QToolButton::clicked, this, [this] { emit OpenFolderRequested(m_NoticeFolder); });
}

void TStatusPanels::ShowNotice(const QString &text, const QString &folder) {
  // The whole sentence in the tooltip too, for when the bar shows only part.
  m_Notice->setToolTip(text);
  m_Notice->setText(text);
  m_NoticeFolder = folder;
  SetNoticeShown(true);
}

void TStatusPanels::SetNoticeShown(bool shown) {
  m_Notice->setVisible(shown);
  m_OpenFolderBtn->setVisible(shown && !m_NoticeFolder.isEmpty());
  for (size_t i = 3; i < m_Panels.size(); ++i)
    m_Panels[i]->setVisible(!shown && !m_HintShown);
}

QString TStatusPanels::Text(int panel) const {
  if (panel < 0 || panel >= static_cast<int>(m_Panels.size()))
    return {};
  return m_Panels[static_cast<size_t>(panel)]->text();
}

void TStatusPanels::SetText(int panel, const QString &text) {
  if (panel < 0 || panel >= static_cast<int>(m_Panels.size()))
    return;
  QLabel *label = m_Panels[static_cast<size_t>(panel)];
  label->setText(text);
  // A panel grows to a longer text (a count of a hundred thousand entries)
  // and keeps that width, so the bar does not jump at every count.
  const int needed = FitWidth(label->fontMetrics(), text);
  if (needed > label->width())
    label->setFixedWidth(needed);
}

void TStatusPanels::ShowQuakeHint(bool shown) {
  // Only a change is made: a status tip on show hides the panels for as long
  // as it stands, and shows them again itself unless they were hidden here.
  if (shown == m_HintShown)
    return;
  m_HintShown = shown;
  m_Bar->clearMessage();
  m_MessagePanel->setVisible(shown);
  for (QLabel *panel : m_Panels)
    panel->setVisible(!shown);
  if (shown)
    SetNoticeShown(false);
}

void TStatusPanels::FitPanelsToFont() {
  const QFontMetrics metrics(m_Bar->font());
  const QString samples[] = {tr("9999  Files."), tr("99999 Files selected."), tr(" Protected  ")};
  for (size_t i = 0; i < std::size(samples); ++i)
    m_Panels[i]->setFixedWidth(FitWidth(metrics, samples[i]));
  m_ProgressBar->setFixedHeight(std::max(8, m_Bar->sizeHint().height() - 8));
}

void TStatusPanels::StartProgress() {
  m_Window->installEventFilter(m_BusyFilter);
  // The bar needs its panel back; the last report is over by now anyway.
  if (m_Notice->isVisibleTo(m_Bar))
    SetNoticeShown(false);
  m_ProgressBar->setValue(0);
  m_ProgressBar->show();
  // The operation runs on this thread: let the bar and the window paint, but
  // take no input meanwhile.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TStatusPanels::ShowProgress(int percent) {
  m_ProgressBar->setValue(percent);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TStatusPanels::EndProgress() {
  m_Window->removeEventFilter(m_BusyFilter);
  m_ProgressBar->hide();
}
