// The lump viewer: shows a decoded picture lump and saves it as a bitmap file.
#pragma once

#include "PakQuake.h"

#include <QDialog>
#include <QImage>
#include <string>

class TDesktopServices;

// The engine's bitmap as an image; a notice text is drawn centred on it.
QImage BitmapToImage(const TBitmap &bitmap);

class TLumpViewForm : public QDialog {
public:
  TLumpViewForm(TDesktopServices &desktop, QWidget *parent = nullptr);

  // The picture to show; nullptr leaves it empty.
  void SetPicture(const TBitmap *bitmap);
  // The shown entry's name; the caption follows it when the window is shown.
  void SetEntryName(const std::string &name);
  // The open archive's file: its folder is where Save As Bitmap starts.
  void SetArchiveFileName(const std::string &fileName);

private:
  TDesktopServices &m_Desktop;
};
