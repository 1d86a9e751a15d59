#include "playback/PlaybackLogging.h"

Q_LOGGING_CATEGORY(lcPlayback, "quorvil.playback")
