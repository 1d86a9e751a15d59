#include "filters/FiltersLogging.h"

Q_LOGGING_CATEGORY(lcFilters, "quorvil.filters")
