#include "ui/UiLogging.h"

Q_LOGGING_CATEGORY(lcUi, "quorvil.ui")
