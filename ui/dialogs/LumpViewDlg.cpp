// SPDX-License-Identifier: GPL-3.0-or-later
#include "LumpViewDlg.h"

#include "DesktopServices.h"
#include "DialogSupport.h"
#include "EntryText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// The picture area keeps this size whatever it shows: the 256 x 256 palette
// grid and a 320 x 200 console picture fit whole, larger pictures scroll.
constexpr int LumpAreaWidth = 336;
constexpr int LumpAreaHeight = 272;

// The proposed bitmap name: the entry's file part with ".bmp" in place of
// its extension.
std::string BitmapFileName(const std::string &entryName) {
  std::string file = EntryFileName(entryName);
  auto dot = file.rfind('.');
  return (dot == std::string::npos ? file : file.substr(0, dot)) + ".bmp";
}
// Why there is no picture, as a sentence of its own: the engine's reason
// without the entry name before it, or what the picture's size says.
QString PlainReason(const TBitmap *bitmap, const QString &reason) {
  QString text = reason;
  const qsizetype colon = text.indexOf(QStringLiteral(": "));
  if (colon >= 0)
    text = text.mid(colon + 2);
  if (!text.isEmpty())
    return text.left(1).toUpper() + text.mid(1);
  if (bitmap != nullptr)
    return TLumpViewForm::tr("The picture's header gives %1 \u00d7 %2 pixels: there is nothing to show.")
        .arg(bitmap->Width())
        .arg(bitmap->Height());
  return TLumpViewForm::tr("This entry cannot be shown as a picture.");
}
} // namespace

QImage BitmapToImage(const TBitmap &bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  if (image.isNull())
    return image;
  const std::vector<TColor> &pixels = bitmap.Pixels();
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    const TColor *source = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap.Width());
    for (int x = 0; x < bitmap.Width(); ++x)
      line[x] = qRgb(static_cast<int>(source[x] & 0xFF), static_cast<int>((source[x] >> 8) & 0xFF),
                     static_cast<int>((source[x] >> 16) & 0xFF));
  }
  if (!bitmap.Notice().empty()) {
    QPainter painter(&image);
    const QString text = QString::fromStdString(bitmap.Notice());
    const QFontMetrics metrics(painter.font());
    // Integer division rounds toward zero, so a text wider than the picture
    // is centred as well.
    const int x = (image.width() - metrics.horizontalAdvance(text)) / 2;
    const int y = (image.height() - metrics.height()) / 2;
    painter.setPen(Qt::black);
    painter.drawText(x, y + metrics.ascent(), text);
  }
  return image;
}

TLumpViewForm::TLumpViewForm(TDesktopServices &desktop, QWidget *parent) : QDialog(parent), m_Desktop(desktop) {
  setObjectName("LumpViewForm");
  m_LumpImage = new QLabel(this);
  m_LumpImage->setObjectName("LumpImage");
  m_LumpImage->setAlignment(Qt::AlignCenter);
  // A zoomed picture larger than the area scrolls.
  m_Scroll = new QScrollArea(this);
  m_Scroll->setObjectName("LumpScroll");
  m_Scroll->setMinimumSize(LumpAreaWidth, LumpAreaHeight);
  m_Scroll->setWidgetResizable(true);
  m_Scroll->setWidget(m_LumpImage);
  m_InfoLabel = new QLabel(this);
  m_InfoLabel->setObjectName("LumpInfo");
  m_BrightenCheck = new QCheckBox(tr("Brighten"), this);
  m_BrightenCheck->setObjectName("BrightenCheck");
  m_BrightenCheck->setToolTip(tr("Show and save the picture brightened; off: its true colours"));
  m_BrightenCheck->setChecked(true);
  m_BrightenCheck->setEnabled(false);

  m_SaveBmpBtn = new QPushButton(tr("Save As Bitmap"), this);
  m_SaveBmpBtn->setObjectName("SaveBmpBtn");
  // Enter always means Close, even while this button has the focus.
  m_SaveBmpBtn->setAutoDefault(false);
  m_SaveBmpBtn->setEnabled(false);
  m_ExportPngBtn = new QPushButton(tr("Export as PNG..."), this);
  m_ExportPngBtn->setObjectName("ExportPngBtn");
  m_ExportPngBtn->setAutoDefault(false);
  m_ExportPngBtn->setEnabled(false);
  m_CloseBtn = new QPushButton(tr("Close"), this);
  m_CloseBtn->setObjectName("CloseBtn");
  m_CloseBtn->setDefault(true);

  m_ZoomCombo = new QComboBox(this);
  m_ZoomCombo->setObjectName("ZoomCombo");
  m_ZoomCombo->setToolTip(tr("Zoom"));
  m_ZoomCombo->addItem(tr("Fit"), 0);
  for (const int factor : {1, 2, 4})
    m_ZoomCombo->addItem(tr("%1\u00d7").arg(factor), factor);
  m_ZoomCombo->setCurrentIndex(1);

  auto *buttons = new QVBoxLayout;
  buttons->addWidget(m_SaveBmpBtn);
  buttons->addWidget(m_ExportPngBtn);
  buttons->addWidget(m_CloseBtn);
  buttons->addWidget(m_ZoomCombo);
  buttons->addWidget(m_BrightenCheck);
  buttons->addStretch();
  auto *picture = new QVBoxLayout;
  picture->addWidget(m_Scroll, 1);
  picture->addWidget(m_InfoLabel);
  auto *layout = new QHBoxLayout(this);
  layout->addLayout(picture, 1);
  layout->addLayout(buttons);
  setSizeGripEnabled(true);
  connect(m_ZoomCombo, &QComboBox::currentIndexChanged, this, &TLumpViewForm::ShowZoomed);
  connect(m_BrightenCheck, &QCheckBox::toggled, this, [this](bool brighten) {
    m_Picture = brighten || m_TrueColours.isNull() ? m_Brightened : m_TrueColours;
    ShowZoomed();
  });

  connect(m_SaveBmpBtn, &QPushButton::clicked, this, &TLumpViewForm::SaveBmpBtnClick);
  connect(m_ExportPngBtn, &QPushButton::clicked, this, [this] {
    if (m_Export)
      m_Export();
  });
  // Esc rejects the dialog by itself; the button closes it the same way.
  connect(m_CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TLumpViewForm::SetPicture(const TBitmap *bitmap, const QString &reason) {
  m_Picture = bitmap != nullptr ? BitmapToImage(*bitmap) : QImage();
  m_Brightened = m_Picture;
  ShowInfo();
  if (m_Picture.isNull()) {
    m_LumpImage->clear();
    m_LumpImage->setWordWrap(true);
    m_LumpImage->setText(PlainReason(bitmap, reason));
  } else {
    ShowZoomed();
  }
  EnableButtons();
}

void TLumpViewForm::SetTrueColours(const TBitmap &bitmap, bool transparent) {
  m_TrueColours = BitmapToImage(bitmap);
  m_Transparent = transparent;
  m_BrightenCheck->setEnabled(!m_TrueColours.isNull() && !m_Brightened.isNull());
}

void TLumpViewForm::ShowInfo() {
  if (m_Brightened.isNull()) {
    m_InfoLabel->clear();
    return;
  }
  const TFileKind kind = FileKindOf(m_EntryName);
  const QString what = kind == fkPalette    ? tr("palette")
                       : kind == fkColormap ? tr("colour map")
                                            : tr("picture lump");
  m_InfoLabel->setText(tr("%1 \u00d7 %2, %3").arg(m_Brightened.width()).arg(m_Brightened.height()).arg(what));
}

void TLumpViewForm::SetExport(const std::function<void()> &exportPicture) {
  m_Export = exportPicture;
  EnableButtons();
}

void TLumpViewForm::EnableButtons() {
  // An empty picture has nothing to save: writing one would only destroy the
  // file the user chose.
  m_SaveBmpBtn->setEnabled(!m_Picture.isNull());
  m_ExportPngBtn->setEnabled(!m_Picture.isNull() && m_Export != nullptr);
}

void TLumpViewForm::ShowZoomed() {
  if (m_Picture.isNull())
    return;
  const int factor = m_ZoomCombo->currentData().toInt();
  const QSize size = factor > 0 ? m_Picture.size() * factor
                                 : m_Picture.size().scaled(m_Scroll->viewport()->size(), Qt::KeepAspectRatio);
  // Larger than the area, the picture keeps its size and the area scrolls; fitted, it never does.
  m_LumpImage->setMinimumSize(factor > 0 ? size : QSize());
  // Nearest neighbour: every picture pixel stays a sharp square.
  m_LumpImage->setPixmap(QPixmap::fromImage(m_Picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

void TLumpViewForm::resizeEvent(QResizeEvent *event) {
  QDialog::resizeEvent(event);
  if (m_ZoomCombo->currentData().toInt() == 0)
    ShowZoomed();
}

void TLumpViewForm::SetEntryName(const std::string &name) {
  m_EntryName = name;
  ShowInfo();
  setWindowTitle(tr("Lump Viewer - ") + EntryToDisplay(m_EntryName));
}

void TLumpViewForm::SetArchiveFileName(const std::string &fileName) { m_ArchiveFileName = fileName; }

void TLumpViewForm::showEvent(QShowEvent *event) {
  setWindowTitle(tr("Lump Viewer - ") + EntryToDisplay(m_EntryName));
  CentreOnScreen(*this);
  QDialog::showEvent(event);
}

void TLumpViewForm::SaveBmpBtnClick() {
  if (m_Picture.isNull())
    return;
  TFileDialogRequest request;
  // A bitmap file has no see-through colour: the chooser says so where the picture needs one.
  request.Title = m_Transparent ? tr("Save Lump As Bitmap (no transparency in BMP: Export as PNG keeps it)")
                                : tr("Save Lump As Bitmap");
  request.Directory = PathToQ(PathDirectory(m_ArchiveFileName));
  request.FileName = EntryToDisplay(BitmapFileName(m_EntryName));
  request.Filters = QStringList{tr("Bitmaps (*.bmp)"), tr("All Files (*)")};
  request.DefaultSuffix = "bmp";
  const QString chosen = m_Desktop.ChooseSaveFile(this, request);
  if (chosen.isEmpty())
    return;

  QDir().mkpath(QFileInfo(chosen).absolutePath());
  // The chooser has already asked before overwriting. The new file replaces
  // the old one only once it is written whole, so a failing write leaves the
  // old file as it was.
  QSaveFile file(chosen);
  if (!file.open(QIODevice::WriteOnly)) {
    m_Desktop.ShowError(this, chosen + ": " + file.errorString());
    return;
  }
  if (!m_Picture.save(&file, "BMP")) {
    file.cancelWriting();
    m_Desktop.ShowError(this, chosen + ": " + file.errorString());
    return;
  }
  if (!file.commit())
    m_Desktop.ShowError(this, chosen + ": " + file.errorString());
}
