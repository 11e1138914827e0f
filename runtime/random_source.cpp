#include "random_source.h"

#include <chrono>

namespace tavola {

double RandomSource::Next() {
    constexpr double Range = 4294967296.0; // 2^32: every 32-bit output maps below 1
    return static_cast<double>(engine_()) / Range;
}

void RandomSource::Reseed() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32)};
    engine_.seed(seed);
}

} // namespace tavola
