#include "wave_file.h"

namespace tavola {

namespace {

std::uint32_t Little(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// What the "fmt " chunk must say for the samples to be played as they stand.
bool ReadFormat(std::string_view chunk, WaveSound& sound) {
    constexpr std::uint32_t Pcm = 1;
    if (chunk.size() < 16 || Little(chunk, 0, 2) != Pcm)
        return false;
    sound.channels = static_cast<int>(Little(chunk, 2, 2));
    sound.rate = static_cast<int>(Little(chunk, 4, 4));
    sound.bitsPerSample = static_cast<int>(Little(chunk, 14, 2));
    return sound.channels >= 1 && sound.channels <= 8 && sound.rate >= 1000 &&
           sound.rate <= 192000 && (sound.bitsPerSample == 8 || sound.bitsPerSample == 16);
}

} // namespace

std::optional<WaveSound> ParseWave(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE")
        return std::nullopt;
    WaveSound sound;
    bool haveFormat = false;
    for (std::size_t at = 12; bytes.size() - at >= 8;) {
        const std::string_view id = bytes.substr(at, 4);
        const std::size_t size = Little(bytes, at + 4, 4);
        at += 8;
        if (size > bytes.size() - at)
            return std::nullopt;
        const std::string_view chunk = bytes.substr(at, size);
        if (id == "fmt ") {
            if (!ReadFormat(chunk, sound))
                return std::nullopt;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            const std::size_t frame =
                static_cast<std::size_t>(sound.channels) * sound.bitsPerSample / 8;
            sound.samples.assign(chunk.begin(), chunk.begin() + size / frame * frame);
            if (sound.samples.empty())
                return std::nullopt;
            return sound;
        }
        at += size + (size & 1); // chunks are padded to an even length
        if (at > bytes.size())
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace tavola
