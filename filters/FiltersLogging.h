#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcFilters) // quorvil.filters: decoder bin, sensor data source, registry
