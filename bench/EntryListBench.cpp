// How long the main window takes to fill and sort the entry list of a large
// archive. Runs headless: the offscreen platform, and configuration, data and
// temporary folders of its own, so no user file is touched.
#include "DesktopServices.h"
#include "EntryBrowser.h"
#include "MainActions.h"
#include "MainForm.h"
#include "PreviewPane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Answers nothing; every file gets the same small icon.
class TQuietDesktop : public TDesktopServices {
public:
  void ShowError(QWidget *, const QString &, const QString &) override {}
  void ShowWarning(QWidget *, const QString &, const QString &) override {}
  QMessageBox::StandardButton Confirm(QWidget *, const QString &, QMessageBox::StandardButtons, const QString &,
                                      QMessageBox::StandardButton, const TButtonTexts &) override {
    return QMessageBox::No;
  }
  QStringList ChooseOpenFiles(QWidget *, const TFileDialogRequest &) override { return {}; }
  QString ChooseSaveFile(QWidget *, const TFileDialogRequest &) override { return {}; }
  QString ChooseDirectory(QWidget *, const QString &, const QString &, bool) override { return {}; }
  TOpenResult OpenWithDefaultApplication(const QString &) override { return orNoApplication; }
  QIcon FileIcon(const QString &) override {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::gray);
    return QIcon(pixmap);
  }
  QList<TDesktopApplication> ApplicationsFor(const QString &) override { return {}; }
  std::optional<TDesktopApplication> FindApplication(const QString &) override { return std::nullopt; }
  TStartedProgram *StartProgram(const QStringList &, const QString &) override { return nullptr; }
};

void AppendInt32(std::string &bytes, int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF));
}

// A PAK file of count empty entries under shuffled names in 50 directories
// with 12 extensions: header, the data of the extra entries, then the 64-byte
// records (the extra entries' last).
void WritePak(const QString &path, int count, const std::vector<std::pair<std::string, std::string>> &extra = {}) {
  static const char *const extensions[] = {"wav", "bsp", "mdl", "lmp", "spr", "dem",
                                           "cfg", "txt", "wad", "dat", "rc",  "pcx"};
  std::mt19937 random(12345);
  std::string records;
  for (int i = 0; i < count; ++i) {
    std::string name = "dir" + std::to_string(random() % 50) + "/file" + std::to_string(random() % 1000000) + "_" +
                       std::to_string(i) + "." + extensions[random() % 12];
    name.resize(PakFormat::NameSize, '\0');
    records += name;
    AppendInt32(records, 12);
    AppendInt32(records, static_cast<int32_t>(random() % 100000));
  }
  std::string data;
  for (const auto &[name, bytes] : extra) {
    std::string record = name;
    record.resize(PakFormat::NameSize, '\0');
    records += record;
    AppendInt32(records, static_cast<int32_t>(12 + data.size()));
    AppendInt32(records, static_cast<int32_t>(bytes.size()));
    data += bytes;
  }
  std::string bytes = "PACK";
  AppendInt32(bytes, static_cast<int32_t>(12 + data.size()));
  AppendInt32(bytes, static_cast<int32_t>(records.size()));
  bytes += data;
  bytes += records;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly))
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// One shown main window with a Quake installation and an archive of count entries.
struct TBenchWindow {
  QTemporaryDir Folder;
  TQuietDesktop Desktop;
  std::unique_ptr<QSettings> Settings;
  std::unique_ptr<TMain> Main;
  QString Archive;

  explicit TBenchWindow(int count, const std::vector<std::pair<std::string, std::string>> &extra = {}) {
    WritePak(Folder.filePath(QStringLiteral("quake/id1/pak0.pak")), 1);
    Archive = Folder.filePath(QStringLiteral("big.pak"));
    WritePak(Archive, count, extra);
    Settings = std::make_unique<QSettings>(Folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    Settings->setValue(QStringLiteral("Quake/Directory"), Folder.filePath(QStringLiteral("quake")));
    Main = std::make_unique<TMain>(Desktop, *Settings, QStringList());
    Main->show();
    QApplication::processEvents();
  }
};

// Opening: read the directory, fill the list, sort by name, paint.
void OpenArchive(benchmark::State &state) {
  TBenchWindow window(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    window.Main->Session().OpenFile(window.Archive);
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(OpenArchive)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The refresh every edit ends with: the list filled and sorted, the commands updated.
void RefreshList(benchmark::State &state) {
  TBenchWindow window(static_cast<int>(state.range(0)));
  window.Main->Session().OpenFile(window.Archive);
  for (auto _ : state) {
    window.Main->Refresh();
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(RefreshList)->Arg(100000)->Unit(benchmark::kMillisecond);

// One sort command on a full list; every second one reverses the order.
// Argument 0 name, 1 path, 2 type, 3 size, 4 offset.
void SortCommand(benchmark::State &state) {
  TBenchWindow window(100000);
  window.Main->Session().OpenFile(window.Archive);
  QAction *const command = window.Main->Actions().Sorts[static_cast<size_t>(state.range(0))].Action;
  for (auto _ : state) {
    command->trigger();
    QApplication::processEvents();
  }
}
BENCHMARK(SortCommand)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Sorting with every row selected: the selection has to follow its rows.
void SortWithAllSelected(benchmark::State &state) {
  TBenchWindow window(100000);
  window.Main->Session().OpenFile(window.Archive);
  window.Main->OneViewList()->selectAll();
  for (auto _ : state) {
    window.Main->OneViewList()->SortBy(skName);
    QApplication::processEvents();
  }
}
BENCHMARK(SortWithAllSelected)->Unit(benchmark::kMillisecond);

// Typing in the filter box: every second text narrows the 100,000 rows (a
// name's text, then a shell pattern), every other one shows them all again.
// Argument 0 text, 1 pattern.
void FilterList(benchmark::State &state) {
  TBenchWindow window(100000);
  window.Main->Session().OpenFile(window.Archive);
  QLineEdit *box = window.Main->Browser()->FilterBox();
  const QString text = state.range(0) == 0 ? QStringLiteral("file12") : QStringLiteral("*7.wav");
  bool narrowed = false;
  for (auto _ : state) {
    narrowed = !narrowed;
    box->setText(narrowed ? text : QString());
    QApplication::processEvents();
  }
}
BENCHMARK(FilterList)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// Choosing a folder in the tree, then the top again (all 100,000 rows).
void SwitchFolder(benchmark::State &state) {
  TBenchWindow window(100000);
  window.Main->Session().OpenFile(window.Archive);
  TEntryBrowser *browser = window.Main->Browser();
  bool inFolder = false;
  for (auto _ : state) {
    inFolder = !inFolder;
    browser->SelectFolder(inFolder ? "dir17/" : "");
    QApplication::processEvents();
  }
}
BENCHMARK(SwitchFolder)->Unit(benchmark::kMillisecond);

// From a selection change to the preview drawn, on 100,000 entries: each
// iteration selects the entry and handles the events until the pane has
// made and painted its preview. Argument 0: a 320 x 200 picture lump; 1: a
// 4 KB config; 2: a text of 1 MiB, the most a text preview shows; 3: a WAD
// file, once the pane shows WAD files (until then its bytes in hexadecimal).
// Between iterations, untimed, another entry is selected, so each is a new preview.
void SelectionToPreview(benchmark::State &state) {
  std::string picture;
  AppendInt32(picture, 320);
  AppendInt32(picture, 200);
  for (int i = 0; i < 320 * 200; ++i)
    picture.push_back(static_cast<char>(i % 251));
  std::string config;
  while (config.size() < 4096)
    config += "bind " + std::to_string(config.size()) + " \"impulse 10\"\n";
  std::string text;
  while (text.size() < (size_t{1} << 20))
    text += "// a line of QuakeC source, about sixty characters long ...\n";
  // A WAD2 file: header, 64 lumps of 16 x 16 pictures, the directory.
  std::string wad = "WAD2";
  AppendInt32(wad, 64);
  AppendInt32(wad, 12 + 64 * (8 + 256));
  std::string directory;
  for (int lump = 0; lump < 64; ++lump) {
    std::string name = "pic" + std::to_string(lump);
    name.resize(16, '\0');
    AppendInt32(directory, static_cast<int32_t>(wad.size()));
    AppendInt32(directory, 8 + 256);
    AppendInt32(directory, 8 + 256);
    directory += std::string("\x42\0\0\0", 4) + name;
    AppendInt32(wad, 16);
    AppendInt32(wad, 16);
    wad += std::string(256, '\x10');
  }
  wad += directory;
  const std::vector<std::pair<std::string, std::string>> entries = {{"gfx/title.lmp", picture},
                                                                    {"autoexec.cfg", config},
                                                                    {"src/world.qc", text},
                                                                    {"gfx.wad", wad},
                                                                    {"other.txt", "x"}};
  TBenchWindow window(100000, entries);
  window.Main->Session().OpenFile(window.Archive);
  QApplication::processEvents();
  TEntryListModel &model = window.Main->ListModel();
  const auto rowOf = [&model](const std::string &name) {
    for (int row = 0; row < model.RowCount(); ++row)
      if (model.Row(row).EntryName == name)
        return row;
    return -1;
  };
  const int target = rowOf(entries[static_cast<size_t>(state.range(0))].first);
  const int away = rowOf("other.txt");
  TEntryListView *list = window.Main->OneViewList();
  TPreviewPane *pane = window.Main->Preview();
  const auto select = [&](int row) {
    list->selectionModel()->setCurrentIndex(model.index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    while (pane->Pending())
      QApplication::processEvents();
    pane->repaint();
  };
  for (auto _ : state) {
    state.PauseTiming();
    select(away);
    state.ResumeTiming();
    select(target);
  }
}
BENCHMARK(SelectionToPreview)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  // Folders of our own for the settings, the file-type registration and the archives.
  QTemporaryDir home;
  const QByteArray base = home.path().toLocal8Bit();
  for (const char *sub : {"config", "data", "tmp"})
    QDir().mkpath(home.filePath(QLatin1String(sub)));
  qputenv("XDG_CONFIG_HOME", base + "/config");
  qputenv("XDG_DATA_HOME", base + "/data");
  qputenv("TMPDIR", base + "/tmp");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication application(qtArgc, argv);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
