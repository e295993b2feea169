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

  auto *label1 = new QLabel(tr("Varnel"), this);
  label1->setObjectName("Label1");
  label1->setFont(SerifFont(20));
  auto *label2 = new QLabel(tr("Quake PAK File Editor"), this);
  label2->setObjectName("Label2");
  label2->setFont(SerifFont(11));

  auto *versionLabel = new QLabel(this);
  versionLabel->setObjectName("VersionLabel");
  versionLabel->setAlignment(Qt::AlignCenter);
  versionLabel->setText(tr("Version %1").arg(QLatin1String(VarnelVersion)));

  auto *button1 = new QPushButton(tr("OK"), this);
  button1->setObjectName("Button1");
  button1->setDefault(true);
  connect(button1, &QPushButton::clicked, this, &QDialog::accept);

  auto *titles = new QVBoxLayout;
  titles->addWidget(label1);
  titles->addWidget(label2);
  auto *head = new QHBoxLayout;
  head->addWidget(image1, 0, Qt::AlignTop);
  head->addSpacing(12);
  head->addLayout(titles);
  head->addStretch();

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addSpacing(8);
  layout->addWidget(versionLabel);
  layout->addSpacing(8);
  layout->addWidget(button1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::showEvent(QShowEvent *event) {
  CentreOnScreen(*this);
  QDialog::showEvent(event);
}
