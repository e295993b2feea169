// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "EntryText.h"
#include "VarnelProduct.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <charconv>
#include <exception>
#include <optional>
#include <string_view>

namespace {

const QString EditorsGroup = QStringLiteral("Editors");
// Beside the window's four bounds: Qt's own record, which also knows the screen.
const QString GeometryKey = QStringLiteral("Window/Geometry");

// The highest index of "Handle Spaces" that means something.
constexpr int MaxSpaceHandle = shUnderscore;
// Without a stored choice spaces in new names are left as they are: the
// window's own default, not the bare component's (DefaultSpaceHandle).
constexpr TSpaceHandle UnstoredSpaceHandle = shLeave;

// The integer conversion of the stored texts: leading blanks, an optional
// sign, then decimal digits or "$" and hexadecimal digits, and nothing after.
// Hexadecimal takes the full 32 bits (so "$FFFFFFFF" is -1), decimal must fit
// a signed 32-bit integer. Anything else is no number.
std::optional<int32_t> ParseInteger(const QString &text) {
  const std::string utf8 = text.toStdString();
  std::string_view rest(utf8);
  rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
  bool negative = false;
  if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (!rest.empty() && rest.front() == '$') {
    const std::optional<uint32_t> bits = ParseHex(rest.substr(1));
    if (!bits)
      return std::nullopt;
    const auto value = static_cast<int32_t>(*bits);
    // Negated as the 32 bits wrap: "-$80000000" stays the lowest number.
    return negative ? static_cast<int32_t>(0u - *bits) : value;
  }
  // Decimal digits only: from_chars would take a second sign.
  if (rest.empty() || rest.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  int64_t magnitude = 0;
  const auto [stop, error] = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude);
  if (error != std::errc() || stop != rest.data() + rest.size() ||
      magnitude > (negative ? int64_t{0x80000000} : int64_t{0x7FFFFFFF}))
    return std::nullopt;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

// Whether a rectangle shows on at least one screen; without any screen there
// is nothing to check against. An empty rectangle shows nowhere.
bool IsOnSomeScreen(const QRect &bounds) {
  if (bounds.width() <= 0 || bounds.height() <= 0)
    return false;
  const QList<QScreen *> screens = QGuiApplication::screens();
  if (screens.isEmpty())
    return true;
  for (const QScreen *screen : screens)
    if (screen->availableGeometry().intersects(bounds))
      return true;
  return false;
}

// Fits the window's frame into the available area of the screen it stands on
// (else the first screen): a stored size from another screen or another
// scaling comes back no larger than that area, and wholly on it.
void FitOnScreen(QWidget &window) {
  QScreen *screen = QGuiApplication::screenAt(window.frameGeometry().center());
  if (screen == nullptr)
    screen = QGuiApplication::primaryScreen();
  if (screen == nullptr)
    return;
  const QRect available = screen->availableGeometry();
  const QSize frameExtra = window.frameGeometry().size() - window.size();
  window.resize(window.size().boundedTo(available.size() - frameExtra));
  const QRect frame = window.frameGeometry();
  window.move(std::clamp(frame.x(), available.left(), available.right() + 1 - frame.width()),
              std::clamp(frame.y(), available.top(), available.bottom() + 1 - frame.height()));
}

bool IsNormalState(const QWidget &window) {
  return (window.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) == 0;
}

} // namespace

TSettingsStore::TSettingsStore(QSettings &settings) : m_Settings(settings) {}

QString TSettingsStore::ReadString(const QString &section, const QString &key, const QString &defaultValue) const {
  const QVariant value = m_Settings.value(section + u'/' + key);
  if (!value.isValid())
    return defaultValue;
  // An unquoted comma in a hand-edited file makes the INI reader return a list.
  if (value.userType() == QMetaType::QStringList)
    return value.toStringList().join(u',');
  return value.toString();
}

int32_t TSettingsStore::ReadInteger(const QString &section, const QString &key, int32_t defaultValue) const {
  QString text = ReadString(section, key, QString());
  if (text.size() > 2 && (text.startsWith(u"0x") || text.startsWith(u"0X")))
    text = u'$' + text.mid(2);
  return ParseInteger(text).value_or(defaultValue);
}

bool TSettingsStore::ReadBool(const QString &section, const QString &key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TSettingsStore::WriteString(const QString &section, const QString &key, const QString &value) {
  m_Settings.setValue(section + u'/' + key, value);
}

void TSettingsStore::WriteInteger(const QString &section, const QString &key, int32_t value) {
  WriteString(section, key, QString::number(value));
}

void TSettingsStore::WriteBool(const QString &section, const QString &key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TSettingsStore::Read(TQuakePak &pak, TMainSettings &values, QWidget &window) {
  QString failure;
  // A stored installation that has gone away must not stop the start: the
  // directory stays unset and the message is handed back for the window.
  try {
    pak.SetQuakeDirectory(PathFromQ(ReadString("Quake", "Directory", QString())));
  } catch (const std::exception &e) {
    failure = QString::fromLocal8Bit(e.what());
  }
  pak.SetTempDirectory(PathFromQ(ReadString("Options", "Temporary Directory", PathToQ(pak.TempDirectory()))));
  values.OpenPath = ReadString("Options", "Open Path", QString());
  values.ExtractPath = ReadString("Extract", "Path", QString());
  values.MaintainDirectory = ReadBool("Extract", "Maintain Directory", false);
  pak.SetForceLowercase(ReadBool("Add", "Force Lowercase", true));

  int32_t spaces = ReadInteger("Add", "Handle Spaces", UnstoredSpaceHandle);
  if (spaces < 0 || spaces > MaxSpaceHandle)
    spaces = UnstoredSpaceHandle;
  pak.SetHandleSpaces(static_cast<TSpaceHandle>(spaces));

  values.RecurseSubDirs = ReadBool("Add", "Recurse Sub-Directories", true);
  pak.SetAllowUndo(ReadBool("Undo", "Allow Undo", true));

  int32_t levels = ReadInteger("Undo", "Maximum Undo Levels", -1);
  if (levels < 0)
    levels = -1; // every negative limit means unlimited
  pak.SetMaxUndoLevels(levels);

  values.SortOrder = TSortOrder::FromNumber(ReadInteger("Options", "Sort By", 0)).value_or(TSortOrder());
  values.SizesInUnits = ReadBool("Options", "Sizes In KB", false);
  values.PreviewShown = ReadBool("Window", "Preview Pane", true);
  values.PreviewWidth = std::max(ReadInteger("Window", "Preview Width", 0), 0);

  // Qt's own record of the window's geometry, when there is one; else the
  // four bounds, applied one by one, but only when together they leave the
  // window on some screen (otherwise it keeps its design bounds). Stored
  // bounds are then fitted onto the window's screen.
  bool restored = window.restoreGeometry(m_Settings.value(GeometryKey).toByteArray());
  if (!restored) {
    const int32_t left = ReadInteger("Window", "Left", window.x());
    const int32_t top = ReadInteger("Window", "Top", window.y());
    const int32_t height = ReadInteger("Window", "Height", window.height());
    const int32_t width = ReadInteger("Window", "Width", window.width());
    if (IsOnSomeScreen(QRect(left, top, width, height))) {
      window.move(left, window.y());
      window.move(window.x(), top);
      window.resize(window.width(), height);
      window.resize(width, window.height());
      for (const char *key : {"Window/Left", "Window/Top", "Window/Height", "Window/Width"})
        restored = restored || m_Settings.contains(QLatin1String(key));
    }
  }
  if (restored)
    FitOnScreen(window);
  const Qt::WindowStates others =
      window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
  if (ReadBool("Window", "Maximised", false))
    window.setWindowState(others | Qt::WindowMaximized);
  else
    window.setWindowState(others);

  for (size_t i = 0; i < values.OldFiles.size(); ++i)
    values.OldFiles[i] = ReadString("Old Files", QStringLiteral("File%1").arg(i + 1), QString());
  m_Settings.beginGroup(EditorsGroup);
  const QStringList extensions = m_Settings.childKeys();
  m_Settings.endGroup();
  for (const QString &extension : extensions)
    values.Editors[extension] = ReadString(EditorsGroup, extension, QString());

  pak.SetProtectID1Pak(true);
  return failure;
}

void TSettingsStore::Write(const TQuakePak &pak, const TMainSettings &values, const QWidget &window) {
  WriteString("Quake", "Directory", PathToQ(pak.QuakeDirectory()));
  WriteString("Options", "Temporary Directory", PathToQ(pak.TempDirectory()));
  WriteString("Options", "Open Path", values.OpenPath);
  WriteString("Extract", "Path", values.ExtractPath);
  WriteBool("Extract", "Maintain Directory", values.MaintainDirectory);
  WriteBool("Add", "Force Lowercase", pak.ForceLowercase());
  WriteInteger("Add", "Handle Spaces", pak.HandleSpaces());
  for (size_t i = 0; i < values.OldFiles.size(); ++i)
    WriteString("Old Files", QStringLiteral("File%1").arg(i + 1), values.OldFiles[i]);
  m_Settings.remove(EditorsGroup);
  for (auto editor = values.Editors.cbegin(); editor != values.Editors.cend(); ++editor)
    WriteString(EditorsGroup, editor.key(), editor.value());
  WriteInteger("Options", "Sort By", values.SortOrder.Number());
  WriteBool("Options", "Sizes In KB", values.SizesInUnits);
  WriteBool("Window", "Preview Pane", values.PreviewShown);
  WriteInteger("Window", "Preview Width", values.PreviewWidth);
  WriteBool("Window", "Maximised", window.isMaximized());
  m_Settings.setValue(GeometryKey, window.saveGeometry());
  WriteBool("Undo", "Allow Undo", pak.AllowUndo());
  WriteInteger("Undo", "Maximum Undo Levels", pak.MaxUndoLevels());
  WriteBool("Add", "Recurse Sub-Directories", values.RecurseSubDirs);
  // A maximised or minimised window would store bounds that are not its own
  // normal ones; the stored ones stay as they were.
  if (IsNormalState(window)) {
    WriteInteger("Window", "Left", window.x());
    WriteInteger("Window", "Top", window.y());
    WriteInteger("Window", "Height", window.height());
    WriteInteger("Window", "Width", window.width());
  }
  m_Settings.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
  // With the title as organisation name and no application name, the user
  // file is <config>/VarnelSettingsFileName, the one varnel-cli reads.
  auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, VarnelTitle, QString());
  // Only the user's own file: no system-wide values mixed in.
  settings->setFallbacksEnabled(false);
  return settings;
}
