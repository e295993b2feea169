// Dragging entries out of the window (rows of the list, or a folder of the
// tree): the entries are extracted into a folder of their own in the private
// folder, with the engine's progress, and offered as file URLs.
#include "ArchiveSession.h"

#include "EntryText.h"
#include "WaitCursor.h"

#include <QMimeData>
#include <QUrl>

QMimeData *TArchiveSession::DragData(const TStringList &names, const std::string &folder) {
  if (names.empty())
    return nullptr;
  // Every drag gets a fresh folder: a drop still reading the last one keeps its files.
  const std::string target = m_Pak.PrivateDirectory() + "drag/" + std::to_string(++m_DragCount) + "/";
  uint8_t result = prDone;
  {
    TWaitCursor wait;
    result = m_Pak.ExtractEntries(names, target, true);
  }
  if (result != prDone && result != prWriteFailed)
    return nullptr;

  // The top items below the dragged folder: the files in it, and its
  // sub-folders holding the rest.
  QList<QUrl> urls;
  for (const std::string &name : names) {
    std::string relative = ExtractionPath(name, true);
    if (relative.rfind(folder, 0) == 0)
      relative.erase(0, folder.size());
    const size_t slash = relative.find('/');
    const std::string top = target + folder + relative.substr(0, slash);
    const QUrl url = QUrl::fromLocalFile(PathToQ(top));
    if (!urls.contains(url))
      urls << url;
  }
  auto *data = new QMimeData;
  data->setUrls(urls);
  return data;
}
