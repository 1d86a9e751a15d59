#include "platform/PlatformLogging.h"

Q_LOGGING_CATEGORY(lcPlatform, "quorvil.platform")
Q_LOGGING_CATEGORY(lcPlatformDrives, "quorvil.platform.drives")
Q_LOGGING_CATEGORY(lcPlatformFileCopy, "quorvil.platform.filecopy")
