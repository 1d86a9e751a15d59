#pragma once

#include <QLoggingCategory>

// The application's logging categories.
Q_DECLARE_LOGGING_CATEGORY(lcApp) // quorvil.app
