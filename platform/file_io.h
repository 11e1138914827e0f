#pragma once

#include <string>
#include <string_view>

namespace tavola {

// The careful opening and whole reads and writes that every file of the
// record folder goes through, in the game and in the record helper alike.

// Opens `name` relative to the folder `directory` (AT_FDCWD for a plain path)
// without following a symbolic link or waiting on a FIFO, and makes sure it is
// a regular file. Failures are RuntimeErrors naming `shown`; a missing file
// opened without O_CREAT is "File not found".
int OpenRegularAt(int directory, const std::string& name, int flags, const std::string& shown);
// Writes all of `bytes`; false with errno set when the system refuses.
bool WriteAll(int fd, std::string_view bytes);
// Up to `limit` bytes from the file's current position; false with errno set on failure.
bool ReadUpTo(int fd, std::size_t limit, std::string& bytes);

} // namespace tavola
