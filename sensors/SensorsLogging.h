#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSensors) // quorvil.sensors: the sensor track and its loader
