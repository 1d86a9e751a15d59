#include "app/COrvelPlayerApp.h"

#include "app/COrvelPlayerDlg.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

std::optional<COrvelPlayerApp::Options>
COrvelPlayerApp::ParseCommandLine(const QStringList &arguments, int &exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Viewer for the memory card of a two-channel dash camera."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption libraryOption(
        QStringLiteral("library"),
        QStringLiteral("Open the recordings in DIR as a library (folder mode), without a card."),
        QStringLiteral("DIR"));
    parser.addOption(libraryOption);

    QTextStream out(stdout);
    QTextStream err(stderr);
    exitCode = 0;
    if (!parser.parse(arguments)) {
        err << parser.errorText() << "\n";
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        // Parsed before the application object exists, so the name is filled in here.
        out << parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("Quorvil"));
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "Unexpected argument: " << parser.positionalArguments().first() << "\n";
        exitCode = 2;
        return std::nullopt;
    }

    Options options;
    if (parser.isSet(libraryOption)) {
        const QFileInfo folder(parser.value(libraryOption));
        if (!folder.isDir()) {
            err << "Not a folder: " << parser.value(libraryOption) << "\n";
            exitCode = 2;
            return std::nullopt;
        }
        options.libraryFolder = QDir::cleanPath(folder.absoluteFilePath());
    }
    return options;
}

int COrvelPlayerApp::InitInstance(const Options &options)
{
    // The window lives exactly as long as its modal run.
    COrvelPlayerDlg dlg;
    if (options.libraryFolder)
        dlg.SetStartupLibraryFolder(*options.libraryFolder);
    dlg.DoModal();
    return 0;
}
