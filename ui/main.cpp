// The desktop program.

#include <QApplication>

#include "audio/LocalCoCreate.h"
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
