#include "app/COrvelPlayerApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvil"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVIL_VERSION));

    int exitCode = 0;
    const auto options = COrvelPlayerApp::ParseCommandLine(QApplication::arguments(), exitCode);
    if (!options)
        return exitCode;
    COrvelPlayerApp theApp;
    return theApp.InitInstance(*options);
}
