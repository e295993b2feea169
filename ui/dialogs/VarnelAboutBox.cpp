// SPDX-License-Identifier: GPL-3.0-or-later
#include "VarnelAboutBox.h"

#include "DialogSupport.h"
#include "VarnelProduct.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int IconSize = 32;

QFont SerifFont(int pointSize) {
  QFont font(QStringLiteral("Times New Roman"), pointSize, QFont::Bold);
  // Whatever serif face the system has stands in for a missing Times.
  font.setStyleHint(QFont::Serif);
  return font;
}
} // namespace

QIcon VarnelIcon() { return QIcon(QStringLiteral(":/icons/varnel.svg")); }

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle(tr("About Varnel"));

  auto *image1 = new QLabel(this);
  image1->setObjectName("Image1");
  image1->setFixedSize(IconSize, IconSize);
  image1->setPixmap(VarnelIcon().pixmap(IconSize, IconSize));

  auto *titleLabel = new QLabel(tr("Varnel"), this);
  titleLabel->setObjectName("Label1");
  titleLabel->setFont(SerifFont(20));
  auto *subtitleLabel = new QLabel(tr("Quake PAK File Editor"), this);
  subtitleLabel->setObjectName("Label2");
  subtitleLabel->setFont(SerifFont(11));

  auto *versionLabel = new QLabel(this);
  versionLabel->setObjectName("VersionLabel");
  versionLabel->setAlignment(Qt::AlignCenter);
  versionLabel->setText(tr("Version %1").arg(QLatin1String(VarnelVersion)));

  auto *licenceLabel = new QLabel(this);
  licenceLabel->setObjectName("LicenceLabel");
  licenceLabel->setAlignment(Qt::AlignCenter);
  licenceLabel->setText(QLatin1String(VarnelCopyright) + u'\n' +
                        tr("Free software under the GNU General Public License,\n"
                           "version 3 or later. It comes with NO WARRANTY."));

  auto *okButton = new QPushButton(tr("OK"), this);
  okButton->setObjectName("Button1");
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

  auto *titles = new QVBoxLayout;
  titles->addWidget(titleLabel);
  titles->addWidget(subtitleLabel);
  auto *head = new QHBoxLayout;
  head->addWidget(image1, 0, Qt::AlignTop);
  head->addSpacing(12);
  head->addLayout(titles);
  head->addStretch();

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addSpacing(8);
  layout->addWidget(versionLabel);
  layout->addWidget(licenceLabel);
  layout->addSpacing(8);
  layout->addWidget(okButton, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent *event) {
  CentreOnScreen(*this);
  QDialog::showEvent(event);
}
