#pragma once

#include <string>
#include <string_view>

namespace tavola {

// The record files hold 8-bit Windows-1252 text, as the program always wrote
// them; in memory text is UTF-8. The code page is small and fixed, so the
// whole of it lives in one table here rather than in a converter library.

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string ToWindows1252(std::string_view utf8);
// Windows-1252 to UTF-8; every byte has a character.
std::string FromWindows1252(std::string_view bytes);

} // namespace tavola
