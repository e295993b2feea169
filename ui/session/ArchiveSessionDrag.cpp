// SPDX-License-Identifier: GPL-3.0-or-later
// Dragging entries out of the window (rows of the list, or a folder of the
// tree): the entries are extracted into a folder of their own in the private
// folder, with the engine's progress, and offered as file URLs.
#include "ArchiveSession.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "WaitCursor.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include <set>

namespace {
// Where a folder of the archive lies below the drag's folder: by the rule
// extraction confines entry names with ("a/../b/" is "a/b/"), so that the
// folder and the entries in it meet. A file name stands in for the folder's
// contents, so that a last ".." part is dropped like any other.
std::string ConfinedFolder(const std::string &folder) {
  return folder.empty() ? std::string() : EntryDirectory(ExtractionPath(folder + "-", true), true);
}
} // namespace

QMimeData *TArchiveSession::DragData(const TStringList &names, const std::string &folder) {
  if (names.empty())
    return nullptr;
  // Every drag gets a fresh folder: a drop still reading the last one keeps its files.
  const std::string target = m_Pak.PrivateDirectory() + "drag/" + std::to_string(++m_DragCount) + "/";

  // Each entry goes where extraction puts it, below the drag's folder. Its
  // path below the dragged folder is kept, so that files of the same name in
  // different folders arrive side by side; only names that extraction
  // brings to the same file meet, and the first of them is offered.
  QStringList notes;
  TStringList extracted;
  TStringList paths;
  std::set<std::string> taken;
  for (const std::string &name : names) {
    const std::string relative = ExtractionPath(name, true);
    if (relative.empty()) {
      notes << tr("%1: left out, the name has no file part").arg(EntryToDisplay(name));
    } else if (!taken.insert(relative).second) {
      notes << tr("%1: left out, another entry is offered as %2").arg(EntryToDisplay(name), EntryToDisplay(relative));
    } else {
      if (relative != name)
        notes << tr("%1: offered as %2").arg(EntryToDisplay(name), EntryToDisplay(relative));
      extracted.push_back(name);
      paths.push_back(relative);
    }
  }
  TResultCode result = prEmptyList;
  if (!extracted.empty()) {
    TWaitCursor wait;
    result = m_Pak.ExtractEntries(extracted, target, true);
  }
  if (result == prWriteFailed)
    notes << FailureDetail();
  if (!notes.isEmpty())
    m_Desktop.ShowWarning(m_Window, tr("Some of the dragged entries are offered under other names or not at all."),
                          notes.join(QLatin1Char('\n')));
  if (result != prDone && result != prWriteFailed)
    return nullptr;

  // The top items below the dragged folder: the files in it, and its
  // sub-folders holding the rest. Nothing outside the drag's folder is offered.
  const std::string shownFolder = ConfinedFolder(folder);
  const QString inside = QDir::cleanPath(PathToQ(target)) + QLatin1Char('/');
  QList<QUrl> urls;
  for (std::string relative : paths) {
    std::string base = target;
    if (relative.rfind(shownFolder, 0) == 0) {
      relative.erase(0, shownFolder.size());
      base += shownFolder;
    }
    // Checked once "." and ".." are resolved, whatever the names held.
    const QString top = QDir::cleanPath(PathToQ(base + relative.substr(0, relative.find('/'))));
    if (!top.startsWith(inside))
      continue;
    const QUrl url = QUrl::fromLocalFile(top);
    if (!urls.contains(url))
      urls << url;
  }
  auto *data = new QMimeData;
  data->setUrls(urls);
  return data;
}
