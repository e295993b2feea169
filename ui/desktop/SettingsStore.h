// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings: read and applied once when the main window is
// created, written back once when it is destroyed.
#pragma once

#include "EntryListModel.h"
#include "PakQuake.h"

#include <QMap>
#include <QSettings>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class QWidget;

// The settings the archive session keeps beside the archive component's own.
struct TSessionValues {
  QString OpenPath;
  QString ExtractPath;
  bool MaintainDirectory = false;
  bool RecurseSubDirs = true;
  std::array<QString, 4> OldFiles; // [0] is "File1", the newest
  // The program that edits the entries of each extension (lower case, no
  // dot): a desktop file id or a program's path.
  QMap<QString, QString> Editors;
};

// Everything the main window keeps in the settings besides the archive component's values.
struct TMainSettings : TSessionValues {
  TSortOrder SortOrder;
  bool SizesInUnits = false; // KB/MB in the list rather than exact bytes
  bool PreviewShown = true;  // the preview pane beside the list
  int32_t PreviewWidth = 0;  // its width; 0: the window's own choice
};

class TSettingsStore {
public:
  explicit TSettingsStore(QSettings &settings);

  // Reads every setting in order and applies each at once: to the archive
  // component, to values, and to the window's bounds and state. Returns the
  // message of a stored Quake directory that the component refused (the
  // remaining settings are still read), or an empty string.
  QString Read(TQuakePak &pak, TMainSettings &values, QWidget &window);
  // Writes every setting back; the window bounds only while it is neither
  // maximised nor minimised.
  void Write(const TQuakePak &pak, const TMainSettings &values, const QWidget &window);

private:
  // Every value is text; the readers give defaultValue for a missing value
  // and, for numbers, for text that is no number.
  QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
  int32_t ReadInteger(const QString &section, const QString &key, int32_t defaultValue) const;
  bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;
  void WriteString(const QString &section, const QString &key, const QString &value);
  void WriteInteger(const QString &section, const QString &key, int32_t value);
  void WriteBool(const QString &section, const QString &key, bool value);

  QSettings &m_Settings;
};

// The user's settings file: an INI file in the user's configuration folder,
// named after the application.
std::unique_ptr<QSettings> OpenUserSettings();
