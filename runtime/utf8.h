#pragma once

#include <cstddef>
#include <string_view>

namespace tavola {

// The length of the well-formed UTF-8 character at `at`, with its code point
// in `code`; 0 for a byte that starts none (a stray byte, a sequence cut
// short, overlong or beyond U+10FFFF, a surrogate). The one decoder of the
// game: what it refuses, nothing else takes either.
std::size_t Utf8CharacterAt(std::string_view text, std::size_t at, char32_t& code);

} // namespace tavola
