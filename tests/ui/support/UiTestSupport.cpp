// SPDX-License-Identifier: GPL-3.0-or-later
#include "UiTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

QByteArray Int32LE(qint32 value) {
  QByteArray bytes;
  for (int shift = 0; shift < 32; shift += 8)
    bytes.append(static_cast<char>((static_cast<quint32>(value) >> shift) & 0xFF));
  return bytes;
}

QByteArray BuildPak(const TFixture &entries) {
  QByteArray data;
  QByteArray records;
  for (const auto &[name, bytes] : entries) {
    records += name.leftJustified(56, '\0', true) + Int32LE(12 + static_cast<qint32>(data.size())) +
               Int32LE(static_cast<qint32>(bytes.size()));
    data += bytes;
  }
  return "PACK" + Int32LE(12 + static_cast<qint32>(data.size())) + Int32LE(static_cast<qint32>(records.size())) + data +
         records;
}

QByteArray BuildArchive(const QStringList &names) {
  TFixture entries;
  for (const QString &name : names)
    entries.emplace_back(name.toUtf8(), QByteArray());
  return BuildPak(entries);
}

void WriteBytes(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

QString MakeQuakeDirectory(const QString &root) {
  WriteBytes(root + "/id1/pak0.pak", "PACK" + Int32LE(12) + Int32LE(0));
  return root;
}

bool TArchiveFixture::PrepareScratch() {
  if (!m_Temp.isValid())
    return false;
  m_Root = m_Temp.path() + "/";
  m_Pak.SetQuakeDirectory(MakeQuakeDirectory(m_Root + "quake").toStdString());
  return true;
}

void TArchiveFixture::OpenArchive(const QStringList &names) {
  const QString path = m_Root + "test.pak";
  WriteBytes(path, BuildArchive(names));
  m_Pak.OpenPak(path.toStdString());
}

QStringList Items(const QComboBox *combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i)
    items << combo->itemText(i);
  return items;
}

void WhenShown(std::function<void(QWidget &dialog)> action) {
  QTimer::singleShot(0, [action] {
    QWidget *dialog = QApplication::activeModalWidget();
    if (dialog != nullptr)
      action(*dialog);
  });
}

void Click(QWidget &dialog, const char *name) { Child<QPushButton>(dialog, name)->click(); }

void Press(QWidget &dialog, Qt::Key key) {
  QWidget *target = dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog;
  QTest::keyClick(target, key);
}

QByteArray ReadBytes(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
