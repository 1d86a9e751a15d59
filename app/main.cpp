#include "app/COrvelPlayerApp.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    // The options first, so --help and bad arguments need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int exitCode = 0;
    const auto options = COrvelPlayerApp::ParseCommandLine(arguments, exitCode);
    if (!options)
        return exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvil"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVIL_VERSION));
    COrvelPlayerApp theApp;
    return theApp.InitInstance(*options);
}
