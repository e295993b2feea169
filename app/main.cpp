// Varnel: starts the application and its main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Varnel - Quake PAK File Editor");
  QApplication::setApplicationDisplayName("Varnel - Quake PAK File Editor");
  QMainWindow window;
  window.setWindowTitle("Varnel");
  window.resize(541, 385);
  window.show();
  return QApplication::exec();
}
