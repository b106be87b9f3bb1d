#include "platform/gui/GuiBootstrap.h"

#include <QApplication>
#include <QMainWindow>

int RunPlaceholderMainWindow(int argc, char** argv, const char* title)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QString::fromUtf8(title));
    window.resize(1024, 700);
    window.show();
    return application.exec();
}
