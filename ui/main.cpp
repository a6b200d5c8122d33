// The desktop program.

#include <QApplication>

#include "audio/LocalCoCreate.h"
#include "ui/TempowrightApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    int status = 1;
    {
        CTempowrightApp app;
        if (app.InitInstance(QCoreApplication::arguments())) status = QApplication::exec();
        app.ExitInstance();
    }
    // The decoder components go last, once nothing can hold one of their objects.
    LocalCoCreate().UnloadAll();
    return status;
}
