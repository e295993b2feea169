#include "LumpViewDlg.h"

#include "DesktopServices.h"
#include "DialogSupport.h"
#include "EntryText.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {
// The picture area keeps this size whatever it shows: the 256 x 256 palette
// grid and a 320 x 200 console picture fit whole, larger pictures show their
// centre part.
constexpr int LumpAreaWidth = 336;
constexpr int LumpAreaHeight = 272;

// The proposed bitmap name: the entry's file part with ".bmp" in place of
// its extension.
std::string BitmapFileName(const std::string &entryName) {
  std::string file = EntryFileName(entryName);
  auto dot = file.rfind('.');
  return (dot == std::string::npos ? file : file.substr(0, dot)) + ".bmp";
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
  m_LumpImage->setFixedSize(LumpAreaWidth, LumpAreaHeight);
  m_LumpImage->setAlignment(Qt::AlignCenter);
  m_LumpImage->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  m_SaveBmpBtn = new QPushButton(tr("Save As Bitmap"), this);
  m_SaveBmpBtn->setObjectName("SaveBmpBtn");
  // Enter always means Close, even while this button has the focus.
  m_SaveBmpBtn->setAutoDefault(false);
  m_SaveBmpBtn->setEnabled(false);
  m_CloseBtn = new QPushButton(tr("Close"), this);
  m_CloseBtn->setObjectName("CloseBtn");
  m_CloseBtn->setDefault(true);

  auto *buttons = new QVBoxLayout;
  buttons->addWidget(m_SaveBmpBtn);
  buttons->addWidget(m_CloseBtn);
  buttons->addStretch();
  auto *layout = new QHBoxLayout(this);
  layout->addWidget(m_LumpImage);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(m_SaveBmpBtn, &QPushButton::clicked, this, &TLumpViewForm::SaveBmpBtnClick);
  // Esc rejects the dialog by itself; the button closes it the same way.
  connect(m_CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TLumpViewForm::SetPicture(const TBitmap *bitmap, const QString &reason) {
  m_Picture = bitmap != nullptr ? BitmapToImage(*bitmap) : QImage();
  if (m_Picture.isNull()) {
    m_LumpImage->clear();
    m_LumpImage->setWordWrap(true);
    m_LumpImage->setText(reason);
  } else {
    m_LumpImage->setPixmap(QPixmap::fromImage(m_Picture));
  }
  // An empty picture has nothing to save: writing one would only destroy the
  // file the user chose.
  m_SaveBmpBtn->setEnabled(!m_Picture.isNull());
}

void TLumpViewForm::SetEntryName(const std::string &name) {
  m_EntryName = name;
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
  request.Title = tr("Save Lump As Bitmap");
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
