#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "short_int.h"

namespace tavola {

// The number spelled by the text's leading part: blanks skipped, then an
// optional sign, digits, a decimal point and an exponent; whatever follows
// ends it. A text with no leading number is 0.
double LeadingNumber(std::string_view text);

// Nearest 16-bit integer, halves to even; nothing when it falls outside.
std::optional<Short> TryNearestShort(double value);
// As TryNearestShort, but outside the range raises "Overflow".
Short NearestShort(double value);
// Largest 16-bit integer not above the value; outside the range raises "Overflow".
Short FloorToShort(double value);

// Formats a whole number with one of the pictures "#0", "###0", "####0"
// (at least one digit) or "00" (at least two digits, zero-padded).
std::string FormatNumber(double value, std::string_view picture);

} // namespace tavola
