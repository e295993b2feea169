// Varnel: sets the application title, creates the main window and runs the
// event loop until the window closes.
#include "DesktopServices.h"
#include "MainForm.h"
#include "SettingsStore.h"
#include "VarnelVersion.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  // The title names the settings file; the window titles carry no second copy of it.
  QApplication::setApplicationName(QStringLiteral("Varnel - Quake PAK File Editor"));
  QGuiApplication::setDesktopFileName(QStringLiteral("varnel"));
  QApplication::setApplicationVersion(QLatin1String(VarnelVersion));

  TSystemDesktop desktop;
  std::unique_ptr<QSettings> settings = OpenUserSettings();
  int result = 0;
  {
    TMain window(desktop, *settings, QApplication::arguments().mid(1));
    window.show();
    result = QApplication::exec();
  }
  return result;
}
