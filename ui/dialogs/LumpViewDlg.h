// SPDX-License-Identifier: GPL-3.0-or-later
// The lump viewer: shows a decoded picture lump, saves it as a bitmap file,
// and exports it as PNG through the command it is given.
#pragma once

#include "PakQuake.h"

#include <QDialog>
#include <QImage>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QScrollArea;
class QLabel;
class QPushButton;
class TDesktopServices;

// The engine's bitmap as an image; a notice text is drawn centred on it.
QImage BitmapToImage(const TBitmap &bitmap);

class TLumpViewForm : public QDialog {
  Q_OBJECT

public:
  TLumpViewForm(TDesktopServices &desktop, QWidget *parent = nullptr);

  // The picture to show; nullptr leaves it empty, with the reason (when
  // given) in its place.
  void SetPicture(const TBitmap *bitmap, const QString &reason = QString());
  // The same picture in its true colours, the game's look being brightened:
  // the Brighten box switches between the two, and Save As Bitmap saves what
  // is shown. transparent: the picture uses the see-through colour, which a
  // bitmap file cannot keep.
  void SetTrueColours(const TBitmap &bitmap, bool transparent);
  // The shown entry's name; the caption follows it when the window is shown.
  void SetEntryName(const std::string &name);
  // The open archive's file: its folder is where Save As Bitmap starts.
  void SetArchiveFileName(const std::string &fileName);
  // What Export as PNG does; unset: the button stays disabled.
  void SetExport(const std::function<void()> &exportPicture);
  // The picture as shown (a null image when there is none).
  const QImage &Picture() const { return m_Picture; }

protected:
  void showEvent(QShowEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private slots:
  void SaveBmpBtnClick();
  // Draws the picture at the chosen zoom: fitted to the area, or 1, 2 or 4
  // screen pixels per picture pixel, kept sharp.
  void ShowZoomed();

private:
  void EnableButtons();
  void ShowInfo();

  TDesktopServices &m_Desktop;
  std::string m_EntryName;
  std::string m_ArchiveFileName;
  QImage m_Picture;
  QImage m_Brightened;
  QImage m_TrueColours;
  bool m_Transparent = false;
  QScrollArea *m_Scroll = nullptr;
  QLabel *m_InfoLabel = nullptr;
  QCheckBox *m_BrightenCheck = nullptr;
  QLabel *m_LumpImage = nullptr;
  std::function<void()> m_Export;
  QPushButton *m_SaveBmpBtn = nullptr;
  QPushButton *m_ExportPngBtn = nullptr;
  QPushButton *m_CloseBtn = nullptr;
  QComboBox *m_ZoomCombo = nullptr;
};
