// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopServices.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {
QMessageBox::StandardButton ShowBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                                    const QString &detail, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, title, text, buttons, parent);
  box.setInformativeText(detail);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

void TSystemDesktop::ShowError(QWidget *parent, const QString &text, const QString &detail) {
  ShowBox(parent, QMessageBox::Critical, QObject::tr("Error"), text, detail, QMessageBox::Ok);
}

void TSystemDesktop::ShowWarning(QWidget *parent, const QString &text, const QString &detail) {
  ShowBox(parent, QMessageBox::Warning, QObject::tr("Warning"), text, detail, QMessageBox::Ok);
}

QMessageBox::StandardButton TSystemDesktop::Confirm(QWidget *parent, const QString &text,
                                                    QMessageBox::StandardButtons buttons, const QString &detail,
                                                    QMessageBox::StandardButton defaultButton,
                                                    const TButtonTexts &texts) {
  QMessageBox box(QMessageBox::Question, QObject::tr("Confirm"), text, buttons, parent);
  box.setInformativeText(detail);
  for (auto named = texts.begin(); named != texts.end(); ++named)
    if (QAbstractButton *button = box.button(named.key()))
      button->setText(named.value());
  box.setDefaultButton(defaultButton);
  box.setEscapeButton(buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

namespace {
void Prepare(QFileDialog &dialog, const TFileDialogRequest &request) {
  dialog.setWindowTitle(request.Title);
  if (!request.Directory.isEmpty())
    dialog.setDirectory(request.Directory);
  dialog.setNameFilters(request.Filters);
  if (!request.Filters.isEmpty())
    dialog.selectNameFilter(request.Filters.first());
  dialog.setDefaultSuffix(request.DefaultSuffix);
  if (!request.FileName.isEmpty())
    dialog.selectFile(request.FileName);
}
} // namespace

QStringList TSystemDesktop::ChooseOpenFiles(QWidget *parent, const TFileDialogRequest &request) {
  QFileDialog dialog(parent);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.Multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString TSystemDesktop::ChooseSaveFile(QWidget *parent, const TFileDialogRequest &request) {
  QFileDialog dialog(parent);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().first();
}

namespace {
// A folder chooser that takes a typed folder that does not exist yet when
// new folders are allowed: the folder is made, then chosen.
class TFolderChooser : public QFileDialog {
public:
  TFolderChooser(QWidget *parent, const QString &title, const QString &start, bool canCreate)
      : QFileDialog(parent, title, start), m_CanCreate(canCreate) {}

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (m_CanCreate && chosen.size() == 1 && !chosen.first().isEmpty() && !QFileInfo::exists(chosen.first()))
      QDir().mkpath(chosen.first()); // a folder that cannot be made is said "not found" by the chooser
    QFileDialog::accept();
  }

private:
  bool m_CanCreate;
};
} // namespace

QString TSystemDesktop::ChooseDirectory(QWidget *parent, const QString &title, const QString &start, bool canCreate) {
  TFolderChooser dialog(parent, title, start, canCreate);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (!canCreate)
    dialog.setOption(QFileDialog::ReadOnly); // hides the new-folder button
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().first();
}

namespace {
// The desktop file id of the default application for the file's type, as
// xdg-mime says it: empty when there is none, no value when it cannot be asked.
std::optional<QString> DefaultApplicationId(const QString &path) {
  const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
  if (xdgMime.isEmpty())
    return std::nullopt;
  QProcess query;
  query.start(xdgMime, {"query", "default", QMimeDatabase().mimeTypeForFile(path).name()});
  if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit)
    return std::nullopt;
  return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}
} // namespace

TDesktopServices::TOpenResult TSystemDesktop::OpenWithDefaultApplication(const QString &path) {
  // Ask the desktop which program is the default for the file's type; none
  // means there is no application for it.
  if (const std::optional<QString> id = DefaultApplicationId(path); id && id->isEmpty())
    return orNoApplication;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? orOpened : orFailed;
}

QList<TDesktopApplication> TSystemDesktop::ApplicationsFor(const QString &mimeType) {
  return InstalledApplicationsFor(mimeType);
}

std::optional<TDesktopApplication> TSystemDesktop::FindApplication(const QString &id) {
  return FindInstalledApplication(id);
}

namespace {
// The last lines of a program's error output, as much as fits a message box.
QString LastLines(const QString &fileName) {
  constexpr qint64 TailBytes = 2048;
  constexpr qsizetype MaxLines = 6;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  file.seek(std::max<qint64>(0, file.size() - TailBytes));
  QStringList lines = QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  if (lines.size() > MaxLines)
    lines = lines.mid(lines.size() - MaxLines);
  return lines.join(u'\n').trimmed();
}

// A QProcess of the program's own, without pipes: its input and output are
// the null device and its error output a file, so that it goes on writing
// after Varnel has gone.
class TSystemProgram : public TStartedProgram {
public:
  TSystemProgram(const QStringList &command, const QString &errorFile)
      : m_Process(std::make_unique<QProcess>()), m_ErrorFile(errorFile) {
    m_Process->setProgram(command.first());
    m_Process->setArguments(command.mid(1));
    m_Process->setStandardInputFile(QProcess::nullDevice());
    m_Process->setStandardOutputFile(QProcess::nullDevice());
    m_Process->setStandardErrorFile(errorFile.isEmpty() ? QProcess::nullDevice() : errorFile);
    connect(m_Process.get(), &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
      emit Ended(exitCode, status == QProcess::CrashExit, LastLines(m_ErrorFile));
    });
  }
  ~TSystemProgram() override {
    // Destroying a QProcess ends its program: one still running (an editor
    // with the user's work) is let go instead, to run on its own.
    if (m_Process->state() != QProcess::NotRunning) {
      m_Process->disconnect(this);
      (void)m_Process.release();
    }
  }
  bool Start() {
    m_Process->start();
    return m_Process->waitForStarted();
  }
  bool IsRunning() const override { return m_Process->state() != QProcess::NotRunning; }

private:
  std::unique_ptr<QProcess> m_Process;
  QString m_ErrorFile;
};
} // namespace

TStartedProgram *TSystemDesktop::StartProgram(const QStringList &command, const QString &errorFile) {
  if (command.isEmpty())
    return nullptr;
  auto program = std::make_unique<TSystemProgram>(command, errorFile);
  return program->Start() ? program.release() : nullptr;
}

QIcon TSystemDesktop::FileIcon(const QString &path) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
  if (icon.isNull())
    icon = QFileIconProvider().icon(QFileInfo(path));
  return icon;
}
