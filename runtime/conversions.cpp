#include "conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tavola {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the longest prefix of `text` that spells a number, 0 if none.
std::size_t NumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

// Whether a number too far from 1 to hold in a double is huge rather than
// tiny, decided by where its first significant digit stands, exponent
// included: "1000e-1" is large and "0.001e3" is 1, whatever the exponent's sign.
bool IsHuge(std::string_view digitsAndExponent) {
    const auto e = digitsAndExponent.find_first_of("eE");
    const std::string_view mantissa = digitsAndExponent.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view text = digitsAndExponent.substr(e + 1);
        const bool negative = !text.empty() && text.front() == '-';
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            text.remove_prefix(1);
        for (const char c : text) // saturates: a billion digits of exponent is still just far
            exponent = std::min(exponent * 10 + (c - '0'), 1'000'000'000'000LL);
        if (negative)
            exponent = -exponent;
    }
    const auto point = std::min(mantissa.find('.'), mantissa.size());
    const auto first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return false;
    // The power of ten of the first significant digit.
    const long long lead = first < point ? static_cast<long long>(point - first) - 1
                                         : -static_cast<long long>(first - point);
    return lead + exponent > 0;
}

// Parses text that NumberLength accepted whole; from_chars takes no '+' and
// no lone trailing point, so those are mended first. A value too large for a
// double is infinity and one too small is 0.
double ParseNumber(std::string_view number) {
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    std::string plain(number);
    if (const auto point = plain.find('.');
        point != std::string::npos && (point + 1 == plain.size() || !IsDigit(plain[point + 1])))
        plain = plain.substr(0, point + 1) + "0" + plain.substr(point + 1);
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range)
        value = IsHuge(plain) ? HUGE_VAL : 0.0;
    return negative ? -value : value;
}

} // namespace

double LeadingNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    const std::size_t length = NumberLength(text);
    return length == 0 ? 0.0 : ParseNumber(text.substr(0, length));
}

std::optional<Short> TryNearestShort(double value) {
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (!(rounded >= Short::Min && rounded <= Short::Max))
        return std::nullopt;
    return Short(static_cast<long long>(rounded));
}

Short NearestShort(double value) {
    if (const auto result = TryNearestShort(value))
        return *result;
    throw RuntimeError(RuntimeError::Overflow);
}

Short FloorToShort(double value) {
    const double floored = std::floor(value);
    if (!(floored >= Short::Min && floored <= Short::Max))
        throw RuntimeError(RuntimeError::Overflow);
    return Short(static_cast<long long>(floored));
}

std::string FormatNumber(double value, std::string_view picture) {
    const double rounded = std::round(value);
    // Past 2^63 no picture has digits to spare; NaN and the infinities have none at all.
    if (!(std::fabs(rounded) < 0x1p63))
        throw RuntimeError(RuntimeError::Overflow);
    const auto minimumDigits = std::max<std::ptrdiff_t>(1, std::ranges::count(picture, '0'));
    const auto whole = static_cast<long long>(rounded);
    const std::string digits = std::to_string(whole < 0 ? -whole : whole);
    const std::string padding(
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, minimumDigits - std::ssize(digits))),
        '0');
    return (whole < 0 ? "-" : "") + padding + digits;
}

} // namespace tavola
