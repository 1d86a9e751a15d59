#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlatform) // quorvil.platform: settings, sound output, dialogs
Q_DECLARE_LOGGING_CATEGORY(
    lcPlatformDrives) // quorvil.platform.drives: removable drives and their monitor
Q_DECLARE_LOGGING_CATEGORY(lcPlatformFileCopy) // quorvil.platform.filecopy: copies and their checks
