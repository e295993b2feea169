// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameFolderDlg.h"

#include "DesktopServices.h"
#include "DialogSupport.h"
#include "EntryText.h"
#include "TypedFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
bool IsFolderNamed(const QString &name, const QString &wanted) {
  return name.compare(wanted, Qt::CaseInsensitive) == 0;
}
} // namespace

const QStringList &TGameFolderDialog::MissionPackNames() {
  static const QStringList names = {QStringLiteral("rogue"), QStringLiteral("hipnotic"), QStringLiteral("quoth")};
  return names;
}

TGameFolderDialog::TGameFolderDialog(TDesktopServices &desktop, const QString &quakeDirectory, QWidget *parent)
    : QDialog(parent), m_Desktop(desktop) {
  setObjectName(QStringLiteral("GameFolderDialog"));
  setWindowTitle(tr("Open Game Folder"));

  m_QuakeDirBox = new QLineEdit(quakeDirectory, this);
  m_QuakeDirBox->setObjectName(QStringLiteral("QuakeDirBox"));
  m_QuakeDirBox->setMinimumWidth(320);
  auto *browse = new QPushButton(this);
  browse->setObjectName(QStringLiteral("BrowseBtn"));
  browse->setFlat(true);
  browse->setAutoDefault(false);
  browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  browse->setToolTip(tr("Browse"));
  auto *dirRow = new QHBoxLayout;
  dirRow->addWidget(m_QuakeDirBox, 1);
  dirRow->addWidget(browse);

  m_ModBox = new QComboBox(this);
  m_ModBox->setObjectName(QStringLiteral("ModBox"));
  auto *packs = new QWidget(this);
  m_PackLayout = new QVBoxLayout(packs);
  m_PackLayout->setContentsMargins(0, 0, 0, 0);
  m_ProfileBox = new QComboBox(this);
  m_ProfileBox->setObjectName(QStringLiteral("ProfileBox"));
  for (const TEngineProfile &profile : EngineProfiles())
    m_ProfileBox->addItem(QString::fromUtf8(profile.Title.data(), static_cast<qsizetype>(profile.Title.size())),
                          QString::fromUtf8(profile.Name.data(), static_cast<qsizetype>(profile.Name.size())));

  auto *dirLabel = new QLabel(tr("&Quake directory:"), this);
  dirLabel->setBuddy(m_QuakeDirBox);
  m_PackLabel = new QLabel(tr("Mission packs:"), this);
  m_PackRow = packs;
  auto *form = new QFormLayout;
  form->addRow(dirLabel, dirRow);
  form->addRow(tr("&Mod folder:"), m_ModBox);
  form->addRow(m_PackLabel, packs);
  form->addRow(tr("&Engine:"), m_ProfileBox);
  const TOkCancelButtons buttons = MakeOkCancelButtons(*this, "OkBtn");
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons.Box);

  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = m_Desktop.ChooseDirectory(this, tr("Quake Directory"), TypedDirectory(), false);
    if (!chosen.isEmpty())
      m_QuakeDirBox->setText(QDir::toNativeSeparators(chosen));
  });
  connect(m_QuakeDirBox, &QLineEdit::textChanged, this, [this] { ReadFolders(); });
  ReadFolders();
}

QString TGameFolderDialog::TypedDirectory() const {
  return TypedFolder(m_QuakeDirBox->text().trimmed()).value_or(QString());
}

void TGameFolderDialog::ReadFolders() {
  const QString kept = m_ModBox->currentData().toString();
  m_ModBox->clear();
  m_ModBox->addItem(tr("(none: id1 only)"), QString());
  qDeleteAll(m_Packs);
  m_Packs.clear();
  const QString directory = TypedDirectory();
  const QStringList folders =
      directory.isEmpty() ? QStringList()
                          : QDir(directory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString &folder : folders) {
    if (IsFolderNamed(folder, QStringLiteral("id1")))
      continue;
    m_ModBox->addItem(folder, folder);
    for (const QString &pack : MissionPackNames())
      if (IsFolderNamed(folder, pack)) {
        auto *box = new QCheckBox(folder, m_PackLayout->parentWidget());
        box->setObjectName(QStringLiteral("Pack_") + pack);
        m_PackLayout->addWidget(box);
        m_Packs << box;
      }
  }
  if (const int index = m_ModBox->findData(kept); index > 0)
    m_ModBox->setCurrentIndex(index);
  m_PackLabel->setVisible(!m_Packs.isEmpty());
  m_PackRow->setVisible(!m_Packs.isEmpty());
}

void TGameFolderDialog::ProposeMod(const QString &folder) {
  if (const int index = m_ModBox->findData(folder); index > 0)
    m_ModBox->setCurrentIndex(index);
}

TGameSetup TGameFolderDialog::Setup() const {
  TGameSetup setup;
  setup.QuakeDirectory = PathFromQ(TypedDirectory());
  setup.Mod = PathFromQ(m_ModBox->currentData().toString());
  // In the order the engine adds them: the mission packs as listed, each after the one before.
  for (const QString &pack : MissionPackNames())
    for (const QCheckBox *box : m_Packs)
      if (box->isChecked() && IsFolderNamed(box->text(), pack))
        setup.MissionPacks.push_back(PathFromQ(box->text()));
  setup.Profile = FindEngineProfile(m_ProfileBox->currentData().toString().toStdString());
  return setup;
}

void TGameFolderDialog::accept() {
  const QString text = m_QuakeDirBox->text().trimmed();
  if (!TypedFolder(text)) {
    m_Desktop.ShowError(this, RelativeFolderMessage());
    return;
  }
  const QString directory = TypedDirectory();
  const QStringList id1 = QDir(directory).entryList({QStringLiteral("id1")}, QDir::Dirs);
  if (directory.isEmpty() || id1.isEmpty()) {
    m_Desktop.ShowError(this, tr("This folder holds no Quake installation: it has no folder id1."), directory);
    return;
  }
  QDialog::accept();
}

bool TGameFolderDialog::Execute(TGameSetup &setup) {
  if (exec() != QDialog::Accepted)
    return false;
  setup = Setup();
  return true;
}
