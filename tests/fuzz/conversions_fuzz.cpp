// The number conversions against the C library's own reading of the same text.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "conversions.h"

using namespace tavola;

namespace {

void Check(bool holds, const char* property, const std::string& text) {
    if (holds)
        return;
    std::fprintf(stderr, "%s fails for \"%s\"\n", property, text.c_str());
    std::abort();
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// strtod also reads hexadecimal, "inf" and "nan", which the game's numbers never
// spell; such texts are left to the other properties.
bool StrtodSpeaksOurLanguage(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i < text.size() && (text[i] == 'i' || text[i] == 'I' || text[i] == 'n' || text[i] == 'N'))
        return false;
    return !(i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'));
}

// strtod skips every kind of white space; the game's reading only these three.
bool StartsWithOtherSpace(const std::string& text) {
    for (const char c : text) {
        if (c == '\v' || c == '\f' || c == '\r')
            return true;
        if (!IsBlank(c))
            return false;
    }
    return false;
}

bool SameNumber(double ours, double reference) {
    if (ours == reference)
        return true;
    // Below the normal range the game reads 0 where the C library keeps a subnormal.
    return ours == 0 && std::fabs(reference) < DBL_MIN;
}

void CheckRounding(double value, const std::string& text) {
    const auto nearest = TryNearestShort(value);
    const double rounded = std::nearbyint(value);
    Check(nearest.has_value() == (rounded >= -32768 && rounded <= 32767), "range of NearestShort",
          text);
    if (nearest) {
        const double away = nearest->value() - value;
        Check(std::fabs(away) <= 0.5, "NearestShort is nearest", text);
        Check(std::fabs(away) < 0.5 || nearest->value() % 2 == 0, "halves go to even", text);
    }
    try {
        const std::string shown = FormatNumber(value, "00");
        Check(std::fabs(std::round(value)) < 0x1p63, "FormatNumber refuses what has no digits",
              text);
        Check(std::strtod(shown.c_str(), nullptr) == std::round(value), "FormatNumber's digits",
              text);
        Check(shown.size() >= 2 + (value <= -0.5), "the picture 00 pads", text);
    } catch (const RuntimeError& error) {
        Check(error.number() == RuntimeError::Overflow && !(std::fabs(std::round(value)) < 0x1p63),
              "FormatNumber's overflow", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double leading = LeadingNumber(text);
    if (text.find('\0') == std::string::npos && StrtodSpeaksOurLanguage(text) &&
        !StartsWithOtherSpace(text)) {
        const double reference = std::strtod(text.c_str(), nullptr);
        Check(SameNumber(leading, reference), "LeadingNumber agrees with strtod", text);
    }
    CheckRounding(leading, text);
    return 0;
}
