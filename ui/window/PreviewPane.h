// SPDX-License-Identifier: GPL-3.0-or-later
// The preview pane beside the entry list: what the one selected entry holds,
// made by the previewers (Previewers.h). A new entry is previewed once the
// events of the moment are handled, so a run of selection changes (a key held
// down in a long list) costs one preview, always of the entry selected last:
// no preview of an entry no longer selected is ever shown. Sounds play
// through Qt Multimedia from memory; a sound stops when another entry is shown.
#pragma once

#include "Previewers.h"

#include <QWidget>
#include <optional>

class QAudioOutput;
class QBuffer;
class QLabel;
class QListWidget;
class QMediaPlayer;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class TPictureView;

class TPreviewPane : public QWidget {
  Q_OBJECT
public:
  explicit TPreviewPane(QWidget *parent = nullptr);
  ~TPreviewPane() override;

  // The entry to preview from now on; none: an empty pane. Reads nothing yet.
  void ShowEntry(std::optional<TPreviewSource> source);
  // Makes the pending preview now (the tests and the bench wait for it so).
  void Flush();
  // Whether a preview waits to be made.
  bool Pending() const { return m_Pending; }

  // What the pane shows.
  const TPreview &Preview() const { return m_Preview; }
  QString Title() const;
  QString FactsText() const;

  // Play or stop the shown sound (Space while the pane has the focus).
  void TogglePlay();
  void StopSound();
  bool Playing() const;
  // Gives the focus to what the shown preview can be worked with.
  void TakeFocus();

private:
  void Build();
  // A long text shows its first lines at once and the rest in parts over
  // the next turns of the event loop, so that the first page is drawn at once.
  void ShowText(const QString &text);
  void AppendTextPart(int generation);
  // The Thumbnails page's items; the text view below them only when there is text.
  void ShowThumbnails(const std::vector<TThumbnail> &thumbnails);

  QLabel *m_Title = nullptr;
  QLabel *m_Facts = nullptr;
  QStackedWidget *m_Pages = nullptr;
  TPictureView *m_Picture = nullptr;
  QPlainTextEdit *m_Text = nullptr;
  QListWidget *m_Thumbnails = nullptr;
  // The text and thumbnail pages: the list above the text, either hidden when unused.
  QSplitter *m_Content = nullptr;
  QWidget *m_Sound = nullptr;
  QPushButton *m_Play = nullptr;
  QWidget *m_Empty = nullptr;

  std::optional<TPreviewSource> m_Source;
  TPreview m_Preview;
  bool m_Pending = false;
  QString m_TextRest;       // what the text view has still to take
  int m_TextGeneration = 0; // a part of an earlier text is dropped

  // Made at the first Play: a pane that never plays needs no audio device.
  QMediaPlayer *m_Player = nullptr;
  QAudioOutput *m_Output = nullptr;
  QBuffer *m_SoundBytes = nullptr;
};

// An image as a list's icon of iconSide logical pixels at the pixel ratio:
// made smaller smoothly, made larger by whole device pixels a pixel, so that
// a small picture stays sharp at any scaling. The list draws it as it is
// (an image, not a pixmap: only the items in view are ever converted).
QImage ThumbnailShown(const QImage &image, int iconSide, qreal ratio);

// A picture drawn whole at the largest size that fits, its pixels sharp
// (whole device pixels a pixel when it is enlarged), on the theme's base colour.
class TPictureView : public QWidget {
  Q_OBJECT
public:
  using QWidget::QWidget;
  void SetImage(const QImage &image);
  const QImage &Image() const { return m_Image; }
  // Where the picture is drawn, in the widget's coordinates.
  QRectF PictureRect() const;
  QSize sizeHint() const override { return {160, 120}; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  QImage m_Image;
};
