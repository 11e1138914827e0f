#pragma once

#include <compare>
#include <cstdint>

#include "runtime_error.h"

namespace tavola {

// The 16-bit signed integer of every counter, factor, product and clock
// field. Leaving its range is never silent: it raises "Overflow".
class Short {
  public:
    static constexpr int Min = -32768;
    static constexpr int Max = 32767;

    constexpr Short() = default;
    constexpr Short(long long value) : value_(Checked(value)) {}

    constexpr int value() const { return value_; }

    friend constexpr Short operator+(Short a, Short b) { return Short(a.wide() + b.wide()); }
    friend constexpr Short operator-(Short a, Short b) { return Short(a.wide() - b.wide()); }
    friend constexpr Short operator*(Short a, Short b) { return Short(a.wide() * b.wide()); }
    constexpr Short& operator+=(Short other) { return *this = *this + other; }
    constexpr Short& operator-=(Short other) { return *this = *this - other; }

    friend constexpr bool operator==(Short, Short) = default;
    friend constexpr auto operator<=>(Short, Short) = default;

  private:
    static constexpr std::int16_t Checked(long long value) {
        if (value < Min || value > Max)
            throw RuntimeError(RuntimeError::Overflow);
        return static_cast<std::int16_t>(value);
    }
    constexpr long long wide() const { return value_; }

    std::int16_t value_ = 0;
};

} // namespace tavola
