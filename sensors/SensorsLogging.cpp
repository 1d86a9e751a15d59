#include "sensors/SensorsLogging.h"

Q_LOGGING_CATEGORY(lcSensors, "quorvil.sensors")
