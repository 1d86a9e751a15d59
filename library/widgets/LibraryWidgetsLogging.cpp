#include "library/widgets/LibraryWidgetsLogging.h"

Q_LOGGING_CATEGORY(lcLibraryWidgets, "quorvil.library.widgets")
