// SPDX-License-Identifier: GPL-3.0-or-later
// Varnel: sets the application's title and version, answers the command line's
// options, loads the user's language, creates the main window and runs the
// event loop until the window closes.
#include "CommandLine.h"
#include "DesktopServices.h"
#include "MainForm.h"
#include "SettingsStore.h"
#include "Translations.h"
#include "VarnelAboutBox.h"
#include "VarnelProduct.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  // The title names the settings file; the window titles carry no second copy of it.
  QApplication::setApplicationName(QLatin1String(VarnelTitle));
  QApplication::setApplicationVersion(QLatin1String(VarnelVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral("varnel"));
  if (const std::optional<int> status = AnswerWithoutDisplay(argc, argv))
    return *status;

  QApplication application(argc, argv);
  InstallTranslations(application, QLocale::system());
  // Every window and dialog, not only the main window, shows the program's icon.
  QApplication::setWindowIcon(VarnelIcon());
  const TCommandLine commandLine = ReadCommandLine(QApplication::arguments());
  if (commandLine.ExitStatus)
    return *commandLine.ExitStatus;

  TSystemDesktop desktop;
  std::unique_ptr<QSettings> settings = OpenUserSettings();
  int result = 0;
  {
    TMain window(desktop, *settings, commandLine.Archives);
    window.show();
    result = QApplication::exec();
  }
  return result;
}
