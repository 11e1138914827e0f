#pragma once

#include <string>

namespace tavola {

// Plays wave files without waiting. The player lives in the sound module,
// which the program loads only once its window is up, so that nothing of the
// sound server's client library slows the first dialog.
class WavePlayer {
  public:
    virtual ~WavePlayer() = default;
    // Starts the file from its beginning, stopping it first if it still plays.
    virtual void Play(const std::string& path) = 0;
};

// The module's one entry point, looked up by this name.
using MakeWavePlayerFunction = WavePlayer* (*)();
inline constexpr const char* MakeWavePlayerName = "tavola7_make_wave_player";

} // namespace tavola
