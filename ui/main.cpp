// The desktop program.

#include <QApplication>
#include <cstdio>

#include "audio/LocalCoCreate.h"
#include "ui/CommandLineInfo.h"
#include "ui/TempowrightApp.h"

int main(int argc, char** argv) {
    if (const std::string info = CommandLineInfo(argc, argv); !info.empty()) {
        std::fputs(info.c_str(), stdout);
        return 0;
    }
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
