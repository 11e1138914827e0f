#pragma once

class QKeyEvent;

namespace tavola {

// The character code a key press types, as the answer box's filter sees it
// (Enter and Backspace as the classic runtime coded them, a character beyond
// the code page as '?'); -1 for keys that type nothing and keep their usual
// meaning in the box.
int KeyAscii(const QKeyEvent& key);

} // namespace tavola
