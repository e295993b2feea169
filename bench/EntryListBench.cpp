// SPDX-License-Identifier: GPL-3.0-or-later
// How long the main window takes to fill and sort the entry list of a large
// archive. Runs headless: the offscreen platform, and configuration, data and
// temporary folders of its own, so no user file is touched.
#include "DesktopServices.h"
#include "EntryBrowser.h"
#include "GameFolderWindow.h"
#include "MainActions.h"
#include "MainForm.h"
#include "PreviewPane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
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

using TExtraEntries = std::vector<std::pair<std::string, std::string>>;

// A sound PAK file of count entries under shuffled names in 50 directories
// with 12 extensions, each of 1 to 64 bytes, and the extra entries after
// them: the header, the data, then the 64-byte records. The check finds
// nothing in it but, over 2,048 entries, the count. Written in pieces, so
// that making a large one does not raise the process's peak memory.
void WritePak(const QString &path, int count, const TExtraEntries &extra = {}) {
  static const char *const extensions[] = {"wav", "bsp", "mdl", "lmp", "spr", "dem",
                                           "cfg", "txt", "wad", "dat", "rc",  "pcx"};
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return;
  std::mt19937 random(12345);
  std::vector<int32_t> sizes(static_cast<size_t>(count));
  int64_t dataSize = 0;
  for (int32_t &size : sizes) {
    size = static_cast<int32_t>(1 + random() % 64);
    dataSize += size;
  }
  for (const auto &entry : extra)
    dataSize += static_cast<int64_t>(entry.second.size());
  std::string bytes = "PACK";
  AppendInt32(bytes, static_cast<int32_t>(12 + dataSize));
  AppendInt32(bytes, static_cast<int32_t>(count + extra.size()) * PakFormat::RecordSize);
  const auto flush = [&file, &bytes](size_t above) {
    if (bytes.size() >= above) {
      file.write(bytes.data(), static_cast<qint64>(bytes.size()));
      bytes.clear();
    }
  };
  for (int32_t size : sizes) {
    bytes.append(static_cast<size_t>(size), 'x');
    flush(1 << 20);
  }
  for (const auto &entry : extra) {
    bytes += entry.second;
    flush(1 << 20);
  }
  int32_t position = 12;
  for (int i = 0; i < count; ++i) {
    std::string name = "dir" + std::to_string(random() % 50) + "/file" + std::to_string(random() % 1000000) + "_" +
                       std::to_string(i) + "." + extensions[random() % 12];
    name.resize(PakFormat::NameSize, '\0');
    bytes += name;
    AppendInt32(bytes, position);
    AppendInt32(bytes, sizes[static_cast<size_t>(i)]);
    position += sizes[static_cast<size_t>(i)];
    flush(1 << 20);
  }
  for (const auto &[name, data] : extra) {
    std::string record = name;
    record.resize(PakFormat::NameSize, '\0');
    bytes += record;
    AppendInt32(bytes, position);
    AppendInt32(bytes, static_cast<int32_t>(data.size()));
    position += static_cast<int32_t>(data.size());
  }
  flush(0);
}

// The archive of count entries, written once per run of the program.
QString BenchArchive(const QTemporaryDir &folder, int count) {
  const QString path = folder.filePath(QStringLiteral("big%1.pak").arg(count));
  if (!QFileInfo::exists(path))
    WritePak(path, count);
  return path;
}

// The largest the process has been so far, in MiB.
double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The folder of the archives and the stand-in Quake installation, shared by every benchmark.
const QTemporaryDir &DataFolder() {
  static QTemporaryDir folder;
  return folder;
}

// One shown main window with a Quake installation and an archive of count entries.
struct TBenchWindow {
  TQuietDesktop Desktop;
  std::unique_ptr<QSettings> Settings;
  std::unique_ptr<TMain> Main;
  QString Archive;

  explicit TBenchWindow(int count, const TExtraEntries &extra = {}) {
    const QTemporaryDir &folder = DataFolder();
    if (!QFileInfo::exists(folder.filePath(QStringLiteral("quake/id1/pak0.pak"))))
      WritePak(folder.filePath(QStringLiteral("quake/id1/pak0.pak")), 1);
    if (extra.empty()) {
      Archive = BenchArchive(folder, count);
    } else {
      Archive = folder.filePath(QStringLiteral("extra.pak"));
      WritePak(Archive, count, extra);
    }
    Settings = std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    Settings->setValue(QStringLiteral("Quake/Directory"), folder.filePath(QStringLiteral("quake")));
    Settings->setValue(QStringLiteral("Options/Sort By"), 0);
    Main = std::make_unique<TMain>(Desktop, *Settings, QStringList());
    Main->show();
    QApplication::processEvents();
  }

  // Opens the archive, and lets what follows an open (the archive check) run.
  void Open() {
    Main->Session().OpenFile(Archive);
    for (int i = 0; i < 3; ++i)
      QApplication::processEvents();
  }
};

// Notes the first paint of the list's rows.
class TPaintWatch : public QObject {
public:
  bool Painted = false;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      Painted = true;
    return QObject::eventFilter(watched, event);
  }
};

// The window started on an archive of the command line, from the start of
// the program's window to the list's rows painted; what comes after the list
// is shown (the archive check) is not counted. peak_MiB: the process's peak
// memory when the list is shown, checked_peak_MiB: once the check has run too
// (run one size per process to read them for that size).
void OpenWindow(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  TBenchWindow stock(1); // the Quake installation, the settings and the archive on disk
  stock.Main.reset();
  const QString archive = BenchArchive(DataFolder(), count);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    TMain main(stock.Desktop, *stock.Settings, {archive});
    TPaintWatch watch;
    main.OneViewList()->viewport()->installEventFilter(&watch);
    main.show();
    while (!watch.Painted || main.ListModel().RowCount() != count)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const auto shown = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
    state.counters["peak_MiB"] = PeakMiB();
    main.OneViewList()->viewport()->removeEventFilter(&watch);
    // What runs once the list is shown (the check), outside the time.
    for (int i = 0; i < 3; ++i)
      QApplication::processEvents();
    state.counters["checked_peak_MiB"] = PeakMiB();
  }
}
BENCHMARK(OpenWindow)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Opening: read the directory, fill the list, sort by name, paint.
void OpenArchive(benchmark::State &state) {
  TBenchWindow window(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    window.Open();
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(OpenArchive)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The refresh every edit ends with: the list filled and sorted, the commands updated.
void RefreshList(benchmark::State &state) {
  TBenchWindow window(static_cast<int>(state.range(0)));
  window.Open();
  for (auto _ : state) {
    window.Main->Refresh();
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(RefreshList)->Arg(100000)->Unit(benchmark::kMillisecond);

// One sort command on a full list; every second one reverses the order.
// First argument 0 name, 1 path, 2 type, 3 size, 4 offset; second the entries.
void SortCommand(benchmark::State &state) {
  TBenchWindow window(static_cast<int>(state.range(1)));
  window.Open();
  QAction *const command = window.Main->Actions().Sorts[static_cast<size_t>(state.range(0))].Action;
  for (auto _ : state) {
    command->trigger();
    QApplication::processEvents();
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(SortCommand)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 4, 1), {100000, 1000000}})
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);

// Sorting with every row selected: the selection has to follow its rows.
void SortWithAllSelected(benchmark::State &state) {
  TBenchWindow window(100000);
  window.Open();
  window.Main->OneViewList()->selectAll();
  for (auto _ : state) {
    window.Main->OneViewList()->SortBy(skName);
    QApplication::processEvents();
  }
}
BENCHMARK(SortWithAllSelected)->Unit(benchmark::kMillisecond);

// Typing in the filter box: every second text narrows the 100,000 rows (a
// name's text, then a shell pattern), every other one shows them all again.
// First argument 0 text, 1 pattern; second the entries.
void FilterList(benchmark::State &state) {
  TBenchWindow window(static_cast<int>(state.range(1)));
  window.Open();
  QLineEdit *box = window.Main->Browser()->FilterBox();
  const QString text = state.range(0) == 0 ? QStringLiteral("file12") : QStringLiteral("*7.wav");
  bool narrowed = false;
  for (auto _ : state) {
    narrowed = !narrowed;
    box->setText(narrowed ? text : QString());
    QApplication::processEvents();
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(FilterList)
    ->ArgsProduct({{0, 1}, {100000, 1000000}})
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);

// Choosing a folder in the tree, then the top again (all 100,000 rows).
void SwitchFolder(benchmark::State &state) {
  TBenchWindow window(100000);
  window.Open();
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
// file of 100 lumps, shown as a list of thumbnails; 4: a texture WAD of
// 1,000 mip textures.
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
  // A WAD2 file the size of the game's gfx.wad: header; the console font
  // (128 x 128 raw indices) and 99 pictures of 24 x 24; the directory.
  constexpr int WadLumps = 100;
  std::string wad = "WAD2";
  AppendInt32(wad, WadLumps);
  AppendInt32(wad, 12 + 128 * 128 + (WadLumps - 1) * (8 + 24 * 24));
  std::string directory;
  for (int lump = 0; lump < WadLumps; ++lump) {
    const bool font = lump == 0;
    std::string name = font ? "conchars" : "pic" + std::to_string(lump);
    name.resize(16, '\0');
    const int32_t size = font ? 128 * 128 : 8 + 24 * 24;
    AppendInt32(directory, static_cast<int32_t>(wad.size()));
    AppendInt32(directory, size);
    AppendInt32(directory, size);
    directory += std::string(font ? "\x44\0\0\0" : "\x42\0\0\0", 4) + name;
    if (font) {
      wad += std::string(128 * 128, '\x20');
      continue;
    }
    AppendInt32(wad, 24);
    AppendInt32(wad, 24);
    for (int i = 0; i < 24 * 24; ++i)
      wad.push_back(static_cast<char>((i + lump) % 251));
  }
  wad += directory;
  // A texture WAD of a map editor: 1,000 mip textures of 64 x 64 (5.5 MB).
  constexpr int Textures = 1000;
  constexpr int32_t MiptexSize = 40 + 64 * 64 + 32 * 32 + 16 * 16 + 8 * 8;
  std::string textureWad = "WAD2";
  AppendInt32(textureWad, Textures);
  AppendInt32(textureWad, 12 + Textures * MiptexSize);
  std::string textureDirectory;
  for (int texture = 0; texture < Textures; ++texture) {
    std::string name = "wall" + std::to_string(texture);
    name.resize(16, '\0');
    AppendInt32(textureDirectory, static_cast<int32_t>(textureWad.size()));
    AppendInt32(textureDirectory, MiptexSize);
    AppendInt32(textureDirectory, MiptexSize);
    textureDirectory += std::string("\x44\0\0\0", 4) + name;
    textureWad += name;
    AppendInt32(textureWad, 64);
    AppendInt32(textureWad, 64);
    for (const int32_t level : {40, 40 + 64 * 64, 40 + 64 * 64 + 32 * 32, 40 + 64 * 64 + 32 * 32 + 16 * 16})
      AppendInt32(textureWad, level);
    for (int i = 0; i < MiptexSize - 40; ++i)
      textureWad.push_back(static_cast<char>((i * 7 + texture) % 251));
  }
  textureWad += textureDirectory;
  const TExtraEntries entries = {{"gfx/title.lmp", picture},
                                                                    {"autoexec.cfg", config},
                                                                    {"src/world.qc", text},
                                                                    {"gfx.wad", wad},
                                                                    {"textures.wad", textureWad},
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
BENCHMARK(SelectionToPreview)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// A Quake folder of a stock-sized id1 (archives of 340 and 85 entries) and
// a mod of 20,000 files in ten numbered archives of 2,000 entries each,
// every archive sharing 200 names with the one after it (so that 1,800
// copies are shadowed), each entry of 16 bytes. Made once per run.
QString BenchGameFolder() {
  const QString root = DataFolder().filePath(QStringLiteral("game"));
  if (QFileInfo::exists(root))
    return root;
  const auto write = [](const QString &path, const std::vector<std::string> &names) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::string bytes = "PACK";
    AppendInt32(bytes, static_cast<int32_t>(12 + 16 * names.size()));
    AppendInt32(bytes, static_cast<int32_t>(names.size()) * PakFormat::RecordSize);
    bytes.append(16 * names.size(), 'x');
    for (size_t i = 0; i < names.size(); ++i) {
      std::string record = names[i];
      record.resize(PakFormat::NameSize, '\0');
      bytes += record;
      AppendInt32(bytes, static_cast<int32_t>(12 + 16 * i));
      AppendInt32(bytes, 16);
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
      file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  };
  const auto names = [](const char *prefix, int first, int count) {
    std::vector<std::string> list;
    for (int i = first; i < first + count; ++i)
      list.push_back(std::string(prefix) + std::to_string(i % 50) + "/file" + std::to_string(i) + ".wav");
    return list;
  };
  std::vector<std::string> stock = names("sound/stock", 0, 339);
  stock.push_back("gfx/palette.lmp");
  write(root + QStringLiteral("/id1/pak0.pak"), stock);
  write(root + QStringLiteral("/id1/pak1.pak"), names("maps/stock", 0, 85));
  for (int k = 0; k < 10; ++k)
    write(root + QStringLiteral("/mymod/pak%1.pak").arg(k), names("sound/mod", k * 1800, 2000));
  return root;
}

// The game folder view of that mod: the window made from the game view and
// its list painted, against the floor of reading the game view alone
// (ReadGameView, the module the window is made from), the two timed in turn
// in each iteration. The time is the window's; ratio: the medians' ratio of
// window (view read included) to floor.
void GameFolderWindow(benchmark::State &state) {
  TQuietDesktop desktop;
  const TGameSetup setup{BenchGameFolder().toStdString(), {}, "mymod", nullptr};
  std::vector<double> jobs;
  std::vector<double> floors;
  size_t rows = 0;
  for (auto _ : state) {
    const bool floorFirst = jobs.size() % 2 == 1;
    const auto floor = [&] {
      const auto start = std::chrono::steady_clock::now();
      const TGameView view = ReadGameView(setup);
      benchmark::DoNotOptimize(view.Files.size());
      floors.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    };
    if (floorFirst)
      floor();
    const auto start = std::chrono::steady_clock::now();
    {
      TGameFolderWindow window(desktop, nullptr, setup, ReadGameView(setup), QString());
      TPaintWatch watch;
      window.List()->viewport()->installEventFilter(&watch);
      window.show();
      while (!watch.Painted)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      state.SetIterationTime(seconds);
      jobs.push_back(seconds);
      rows = static_cast<size_t>(window.Model().rowCount());
      window.List()->viewport()->removeEventFilter(&watch);
    }
    if (!floorFirst)
      floor();
  }
  const auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
  };
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["floor_ms"] = median(floors) * 1000.0;
  state.counters["ratio"] = median(floors) > 0 ? median(jobs) / median(floors) : 0.0;
}
BENCHMARK(GameFolderWindow)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

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
