// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowSession.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QToolButton>
#include <QtTest>

TWindowSession::TWindowSession(bool withQuake, const TFixture &stock) {
  Quake = Folder.filePath(QStringLiteral("quake")) + QLatin1Char('/');
  WriteBytes(Quake + QStringLiteral("id1/pak0.pak"), BuildPak(stock));
  Settings = std::make_unique<QSettings>(Folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  if (withQuake)
    Settings->setValue(QStringLiteral("Quake/Directory"), Quake);
}

TMain &TWindowSession::Start(const QStringList &arguments) {
  Main = std::make_unique<TMain>(Desktop, *Settings, arguments);
  return *Main;
}

QString TWindowSession::Archive(const QString &name, const TFixture &entries) {
  const QString path = Path(name);
  WriteBytes(path, BuildPak(entries));
  return path;
}

TMain &TWindowSession::Open(const QString &path) {
  Desktop.OpenFilesAnswers.enqueue({path});
  Command("MenuFileOpen");
  return *Main;
}

void TWindowSession::OpenFresh(const QString &path) {
  Open(path);
  Desktop.Asked.clear();
  Desktop.FileRequests.clear();
}

void TWindowSession::Command(const char *actionName) {
  auto *action = Find<QAction>(actionName);
  QVERIFY2(action != nullptr, actionName);
  action->setEnabled(true);
  action->trigger();
}

bool TWindowSession::Enabled(const char *name) const {
  if (auto *action = Find<QAction>(name))
    return action->isEnabled();
  auto *button = Find<QToolButton>(name);
  return button != nullptr && button->isEnabled();
}

QString TWindowSession::Cell(int row, int column) const {
  return Main->ListModel().index(row, column).data().toString();
}

QStringList TWindowSession::Column(int column) const {
  QStringList texts;
  for (int row = 0; row < Main->ListModel().RowCount(); ++row)
    texts << Cell(row, column);
  return texts;
}

QStringList TWindowSession::Rows() const {
  QStringList names;
  for (int row = 0; row < Main->ListModel().RowCount(); ++row)
    names << QString::fromStdString(std::string(Main->ListModel().Row(row).EntryName));
  return names;
}

QStringList TWindowSession::Entries() const {
  QStringList names;
  for (const TDirEntry &entry : Pak().Directory())
    names << QString::fromStdString(entry.Name);
  names.sort();
  return names;
}

const TDirEntry *TWindowSession::Entry(const char *name) const {
  const int32_t index = Pak().FindEntry(name);
  return index < 0 ? nullptr : &Pak().Directory()[static_cast<size_t>(index)];
}

QByteArray TWindowSession::EntryData(const char *name) {
  const QString out = Path(QStringLiteral("entry-data"));
  QDir(out).removeRecursively();
  if (Pak().ExtractEntries({name}, out.toStdString(), false) != prDone)
    return {};
  return ReadBytes(out + QLatin1Char('/') + QFileInfo(QString::fromUtf8(name)).fileName());
}

void TWindowSession::SelectRows(const std::vector<int> &rows) {
  QItemSelectionModel *selection = Main->OneViewList()->selectionModel();
  selection->clearSelection();
  for (int row : rows)
    selection->select(Main->ListModel().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  Main->OneViewListClick();
}

void TWindowSession::Select(const QStringList &names) {
  std::vector<int> rows;
  const QStringList stored = Rows();
  for (const QString &name : names) {
    const int row = static_cast<int>(stored.indexOf(name));
    QVERIFY2(row >= 0, qPrintable(name));
    rows.push_back(row);
  }
  SelectRows(rows);
}
