#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The application object: parses the command line and runs the main window modally. It holds
// no state beyond the options it was started with.
class COrvelPlayerApp
{
public:
    struct Options {
        std::optional<QString> libraryFolder; // --library DIR
    };

    // Parses the arguments (argv[0] included). Prints help or an error and returns nullopt when
    // the process should end at once; `exitCode` then holds its exit status.
    static std::optional<Options> ParseCommandLine(const QStringList &arguments, int &exitCode);

    // Runs the main window until it closes; the return value is the process's exit status.
    int InitInstance(const Options &options);
};
