#pragma once

#include <random>

namespace tavola {

// The uniform source behind RandomNext. It starts from a fixed seed, so the
// first draws after a start are always the same, until it is reseeded.
class RandomSource {
  public:
    // In [0, 1).
    double Next();
    // From a high-resolution clock, so two reseeds in the same second differ.
    void Reseed();

  private:
    std::mt19937 engine_; // default-constructed: the fixed default seed
};

} // namespace tavola
