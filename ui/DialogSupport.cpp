#include "DialogSupport.h"

#include "EntryText.h"
#include "PakQuake.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>

#include <unordered_set>

void SetFixedDialogStyle(QDialog &dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint);
}

void CentreOnScreen(QWidget &window) {
  window.adjustSize();
  if (const QScreen *screen = window.screen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

TOkCancelRow MakeOkCancelRow(QDialog &dialog, const QString &okName) {
  TOkCancelRow row;
  row.OK = new QPushButton(QStringLiteral("OK"), &dialog);
  row.OK->setObjectName(okName);
  row.OK->setDefault(true);
  row.Cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
  row.Cancel->setObjectName(QStringLiteral("CancelBtn"));
  row.Layout = new QHBoxLayout;
  row.Layout->addStretch();
  row.Layout->addWidget(row.OK);
  row.Layout->addWidget(row.Cancel);
  QObject::connect(row.OK, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(row.Cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return row;
}

QComboBox *MakeEditableCombo(const QString &name, int minimumContentsLength, QWidget *parent) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumContentsLength(minimumContentsLength);
  return combo;
}

QStringList ArchiveDirectories(const TQuakePak &pak) {
  QStringList directories;
  std::unordered_set<std::string> seen;
  const int32_t count = pak.EntryCount();
  for (int32_t i = 0; i < count; ++i) {
    const std::string directory = EntryDirectory(AsciiLower(pak.EntryName(i)), false);
    if (!directory.empty() && seen.insert(directory).second)
      directories.append(EntryToDisplay(directory));
  }
  return directories;
}
