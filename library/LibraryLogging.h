#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLibrary) // quorvil.library: the catalogue and card information
