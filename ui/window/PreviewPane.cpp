// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreviewPane.h"

#include "EntryText.h"

#include <QAudioOutput>
#include <QBuffer>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMediaPlayer>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace {
// Room left around a picture, in logical pixels.
constexpr int PictureMargin = 4;
// A thumbnail's side in logical pixels, and the room it and its caption (up
// to three lines) take.
constexpr int ThumbnailIconSide = ThumbnailSide / 2;
constexpr int ThumbnailCellWidth = ThumbnailIconSide + 48;
constexpr int ThumbnailCaptionLines = 3;
// How much of a text the view takes at a time: the first part is shown with
// the preview, the rest follows part by part (cut after a line's end).
constexpr qsizetype TextPartSize = 32 * 1024;

// The length of the first part of text: up to the last line end within TextPartSize.
qsizetype PartLength(const QString &text) {
  if (text.size() <= TextPartSize)
    return text.size();
  const qsizetype lineEnd = text.lastIndexOf(u'\n', TextPartSize - 1);
  return lineEnd > 0 ? lineEnd + 1 : TextPartSize;
}
} // namespace

// ---------------------------------------------------------------------------
// The picture

void TPictureView::SetImage(const QImage &image) {
  m_Image = image;
  update();
}

QRectF TPictureView::PictureRect() const {
  if (m_Image.isNull())
    return {};
  const qreal ratio = devicePixelRatioF();
  const QSizeF room = QSizeF(std::max(width() - 2 * PictureMargin, 1), std::max(height() - 2 * PictureMargin, 1));
  // In device pixels: an enlarged picture takes a whole number of them a
  // pixel, so every pixel is drawn the same size and sharp at any scaling.
  qreal scale = std::min(room.width() * ratio / m_Image.width(), room.height() * ratio / m_Image.height());
  if (scale >= 1)
    scale = std::floor(scale);
  const QSizeF shown = QSizeF(m_Image.size()) * scale / ratio;
  return {QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown};
}

void TPictureView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  if (m_Image.isNull())
    return;
  const QRectF target = PictureRect();
  // Smoothed only when made smaller: enlarged pixels stay square.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, target.width() * devicePixelRatioF() < m_Image.width());
  painter.drawImage(target, m_Image);
}

// ---------------------------------------------------------------------------
// The thumbnails

QImage ThumbnailShown(const QImage &image, int iconSide, qreal ratio) {
  if (image.isNull())
    return {};
  const int side = std::max(1, static_cast<int>(std::floor(iconSide * ratio)));
  const int longest = std::max(image.width(), image.height());
  QImage shown;
  if (longest > side)
    shown = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  else
    shown = image.scaled(image.size() * (side / longest), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  shown.setDevicePixelRatio(ratio);
  return shown;
}

// ---------------------------------------------------------------------------
// The pane

TPreviewPane::TPreviewPane(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PreviewPane"));
  Build();
}

TPreviewPane::~TPreviewPane() {
  if (m_Player != nullptr)
    m_Player->stop();
}

void TPreviewPane::Build() {
  setFocusPolicy(Qt::StrongFocus);
  m_Title = new QLabel(this);
  m_Title->setObjectName(QStringLiteral("PreviewTitle"));
  QFont bold = m_Title->font();
  bold.setBold(true);
  m_Title->setFont(bold);
  m_Title->setTextFormat(Qt::PlainText);
  m_Facts = new QLabel(this);
  m_Facts->setObjectName(QStringLiteral("PreviewFacts"));
  m_Facts->setTextFormat(Qt::PlainText);
  m_Facts->setWordWrap(true);
  m_Facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_Facts->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  m_Picture = new TPictureView(this);
  m_Picture->setObjectName(QStringLiteral("PreviewPicture"));
  m_Picture->setFocusPolicy(Qt::StrongFocus);
  m_Picture->setAccessibleName(tr("Picture"));

  m_Text = new QPlainTextEdit(this);
  m_Text->setObjectName(QStringLiteral("PreviewText"));
  m_Text->setReadOnly(true);
  m_Text->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  m_Text->setUndoRedoEnabled(false);
  m_Text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

  m_Thumbnails = new QListWidget(this);
  m_Thumbnails->setObjectName(QStringLiteral("PreviewThumbnails"));
  m_Thumbnails->setAccessibleName(tr("Pictures"));
  m_Thumbnails->setViewMode(QListView::IconMode);
  m_Thumbnails->setMovement(QListView::Static);
  m_Thumbnails->setResizeMode(QListView::Adjust);
  m_Thumbnails->setWrapping(true);
  m_Thumbnails->setWordWrap(true);
  m_Thumbnails->setTextElideMode(Qt::ElideMiddle);
  m_Thumbnails->setIconSize(QSize(ThumbnailIconSide, ThumbnailIconSide));
  m_Thumbnails->setGridSize(
      QSize(ThumbnailCellWidth,
            ThumbnailIconSide + ThumbnailCaptionLines * m_Thumbnails->fontMetrics().lineSpacing() + 12));
  m_Thumbnails->setSelectionMode(QAbstractItemView::SingleSelection);

  m_Content = new QSplitter(Qt::Vertical, this);
  m_Content->setObjectName(QStringLiteral("PreviewContent"));
  m_Content->setChildrenCollapsible(false);
  m_Content->addWidget(m_Thumbnails);
  m_Content->addWidget(m_Text);

  m_Sound = new QWidget(this);
  m_Sound->setObjectName(QStringLiteral("PreviewSound"));
  m_Play = new QPushButton(tr("Play"), m_Sound);
  m_Play->setObjectName(QStringLiteral("PreviewPlay"));
  connect(m_Play, &QPushButton::clicked, this, &TPreviewPane::TogglePlay);
  auto *soundLayout = new QVBoxLayout(m_Sound);
  soundLayout->setContentsMargins(0, 0, 0, 0);
  soundLayout->addWidget(m_Play, 0, Qt::AlignLeft | Qt::AlignTop);
  soundLayout->addStretch();

  m_Empty = new QWidget(this);
  m_Pages = new QStackedWidget(this);
  m_Pages->setObjectName(QStringLiteral("PreviewPages"));
  for (QWidget *page : std::initializer_list<QWidget *>{m_Empty, m_Picture, m_Content, m_Sound})
    m_Pages->addWidget(page);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 0, 0);
  layout->addWidget(m_Title);
  layout->addWidget(m_Facts);
  layout->addWidget(m_Pages, 1);

  // Space plays or stops a sound, wherever the focus is inside the pane.
  auto *space = new QShortcut(QKeySequence(Qt::Key_Space), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(space, &QShortcut::activated, this, &TPreviewPane::TogglePlay);
  ShowEntry(std::nullopt);
}

void TPreviewPane::ShowEntry(std::optional<TPreviewSource> source) {
  StopSound();
  m_Source = std::move(source);
  ++m_TextGeneration;
  m_TextRest.clear();
  if (!m_Source) {
    m_Pending = false;
    m_Preview = TPreview();
    m_Title->clear();
    m_Facts->setText(tr("Select one entry to see it here."));
    m_Thumbnails->clear();
    m_Pages->setCurrentWidget(m_Empty);
    return;
  }
  // One preview for a run of changes: the last entry's, once they are handled.
  if (!m_Pending) {
    m_Pending = true;
    QTimer::singleShot(0, this, &TPreviewPane::Flush);
  }
}

void TPreviewPane::Flush() {
  if (!m_Pending || !m_Source)
    return;
  m_Pending = false;
  m_Preview = BuildPreview(*m_Source);
  m_Title->setText(EntryToDisplay(m_Source->Name.substr(m_Source->Name.rfind('/') + 1)));
  m_Title->setToolTip(EntryToDisplay(m_Source->Name));
  m_Facts->setText(FactsText());
  m_Picture->SetImage(m_Preview.Image);
  switch (m_Preview.Page) {
  case TPreviewPage::Picture:
    m_Text->clear();
    m_Thumbnails->clear();
    m_Pages->setCurrentWidget(m_Picture);
    break;
  case TPreviewPage::Text:
    ShowThumbnails({});
    ShowText(m_Preview.Text);
    m_Pages->setCurrentWidget(m_Content);
    break;
  case TPreviewPage::Thumbnails:
    ShowThumbnails(m_Preview.Thumbnails);
    ShowText(m_Preview.Text);
    m_Text->setVisible(!m_Preview.Text.isEmpty());
    m_Pages->setCurrentWidget(m_Content);
    break;
  case TPreviewPage::Sound:
    m_Text->clear();
    m_Thumbnails->clear();
    m_Play->setEnabled(m_Preview.Playable);
    m_Pages->setCurrentWidget(m_Sound);
    break;
  case TPreviewPage::Facts:
    m_Text->clear();
    m_Thumbnails->clear();
    m_Pages->setCurrentWidget(m_Empty);
    break;
  }
}

void TPreviewPane::ShowThumbnails(const std::vector<TThumbnail> &thumbnails) {
  m_Thumbnails->clear();
  m_Thumbnails->setVisible(!thumbnails.empty());
  m_Text->setVisible(true);
  const qreal ratio = m_Thumbnails->devicePixelRatioF();
  // Every item takes a cell of the grid: the list need not lay out each caption to place them.
  const QSize cell = m_Thumbnails->gridSize();
  for (const TThumbnail &thumbnail : thumbnails) {
    auto *item = new QListWidgetItem(thumbnail.Caption, m_Thumbnails);
    if (!thumbnail.Image.isNull())
      item->setData(Qt::DecorationRole, ThumbnailShown(thumbnail.Image, ThumbnailIconSide, ratio));
    item->setToolTip(thumbnail.Details);
    item->setSizeHint(cell);
  }
}

void TPreviewPane::ShowText(const QString &text) {
  const qsizetype first = PartLength(text);
  m_Text->setPlainText(text.left(first));
  m_TextRest = text.mid(first);
  if (!m_TextRest.isEmpty())
    QTimer::singleShot(0, this, [this, generation = m_TextGeneration] { AppendTextPart(generation); });
}

void TPreviewPane::AppendTextPart(int generation) {
  if (generation != m_TextGeneration || m_TextRest.isEmpty())
    return;
  const qsizetype length = PartLength(m_TextRest);
  QTextCursor end(m_Text->document());
  end.movePosition(QTextCursor::End);
  end.insertText(m_TextRest.left(length));
  m_TextRest.remove(0, length);
  if (!m_TextRest.isEmpty())
    QTimer::singleShot(0, this, [this, generation] { AppendTextPart(generation); });
}

QString TPreviewPane::Title() const { return m_Title->text(); }

QString TPreviewPane::FactsText() const {
  if (!m_Source)
    return m_Facts->text();
  QStringList lines = m_Preview.Facts;
  if (!m_Preview.Kind.isEmpty())
    lines.prepend(m_Preview.Kind);
  return lines.join(u'\n');
}

bool TPreviewPane::Playing() const {
  return m_Player != nullptr && m_Player->playbackState() == QMediaPlayer::PlayingState;
}

void TPreviewPane::StopSound() {
  if (m_Player != nullptr)
    m_Player->stop();
  m_Play->setText(tr("Play"));
}

void TPreviewPane::TogglePlay() {
  if (Playing()) {
    StopSound();
    return;
  }
  if (!m_Source || m_Pending || m_Preview.Page != TPreviewPage::Sound || !m_Preview.Playable)
    return;
  if (m_Player == nullptr) {
    m_Player = new QMediaPlayer(this);
    m_Output = new QAudioOutput(this);
    m_Player->setAudioOutput(m_Output);
    m_SoundBytes = new QBuffer(this);
    connect(m_Player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
      m_Play->setText(state == QMediaPlayer::PlayingState ? tr("Stop") : tr("Play"));
    });
  }
  // The whole sound, from memory: it is what is played.
  m_Player->setSourceDevice(nullptr);
  m_SoundBytes->close();
  m_SoundBytes->setData(QByteArray::fromStdString(m_Source->Read(0, m_Source->Size)));
  m_SoundBytes->open(QIODevice::ReadOnly);
  // The name tells the player the format.
  m_Player->setSourceDevice(m_SoundBytes, QUrl(QString::fromStdString(m_Source->Name).section(u'/', -1)));
  m_Player->play();
}

void TPreviewPane::TakeFocus() {
  Flush();
  QWidget *page = m_Pages->currentWidget();
  if (page == m_Sound && m_Play->isEnabled())
    m_Play->setFocus(Qt::ShortcutFocusReason);
  else if (page == m_Content)
    (m_Thumbnails->isHidden() ? static_cast<QWidget *>(m_Text) : m_Thumbnails)->setFocus(Qt::ShortcutFocusReason);
  else if (page == m_Picture)
    page->setFocus(Qt::ShortcutFocusReason);
  else
    setFocus(Qt::ShortcutFocusReason);
}
