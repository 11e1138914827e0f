#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tavola {

// The samples of a plain PCM wave file, ready for the sound server.
struct WaveSound {
    int channels = 0;
    int rate = 0;
    int bitsPerSample = 0; // 8 (unsigned) or 16 (signed, little-endian)
    std::vector<std::uint8_t> samples;
};

// Reads a RIFF wave file's bytes. Anything else (another encoding, a file cut
// short, sizes that do not add up) is no sound at all, never a guess.
std::optional<WaveSound> ParseWave(std::string_view bytes);

} // namespace tavola
