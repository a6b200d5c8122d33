// The desktop program.

#include <QApplication>
#include <cstdio>

#include "audio/LocalCoCreate.h"
#include "ui/CommandLineInfo.h"
#include "ui/QtText.h"
#include "ui/TempowrightApp.h"

namespace {
// The arguments left after Qt has taken its own, decoded as the system decodes file names, so
// that a name that is not valid UTF-8 still names its file.
QStringList ProgramArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << ToQString(Utf8ToUtf16(argv[i]));
    return arguments;
}
}  // namespace

int main(int argc, char** argv) {
    if (const std::string info = CommandLineInfo(argc, argv); !info.empty()) {
        std::fputs(info.c_str(), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    int status = 1;
    {
        CTempowrightApp app;
        if (app.InitInstance(ProgramArguments(argc, argv))) status = QApplication::exec();
        app.ExitInstance();
    }
    // The decoder components go last, once nothing can hold one of their objects.
    LocalCoCreate().UnloadAll();
    return status;
}
