#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayback) // quorvil.playback: graph, player, decoder settings, stills
