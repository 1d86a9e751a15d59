#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcUi) // quorvil.ui: skin bitmaps and controls
