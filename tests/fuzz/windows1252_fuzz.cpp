// The record files' code page: every byte comes back, and what goes to disk is stable.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "windows1252.h"

using namespace tavola;

namespace {

void Check(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "%s fails\n", property);
        std::abort();
    }
}

// Well-formed UTF-8 of code points up to U+FFFF, all that the code page maps to.
bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2
                                               : (lead & 0xF0) == 0xE0     ? 3
                                                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = FromWindows1252(bytes);
    Check(IsUtf8(text), "what the files hold reads as UTF-8");
    Check(ToWindows1252(text) == bytes, "every byte survives the round trip");

    // The same input taken as typed text: one byte per character, and stable.
    const std::string stored = ToWindows1252(bytes);
    Check(stored.size() <= bytes.size(), "one byte per character at most");
    Check(ToWindows1252(FromWindows1252(stored)) == stored, "a stored name reads back the same");
    return 0;
}
