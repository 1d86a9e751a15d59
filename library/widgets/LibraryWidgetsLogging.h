#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(
    lcLibraryWidgets) // quorvil.library.widgets: file list, catalogue and memory card commands
