#pragma once

// Play state of a graph.
enum class PlayState {
    Running = 0,
    Paused = 1,
    Stopped = 2,
    Closed = 3,
};
