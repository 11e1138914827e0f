#pragma once

#include <stdexcept>
#include <string>

namespace tavola {

// The game traps no error of its own: anything that goes wrong surfaces as
// one of these, numbered as the classic runtime numbered them, and the window
// reports it and ends the program.
class RuntimeError : public std::runtime_error {
  public:
    enum Number {
        Overflow = 6,
        TypeMismatch = 13,
        BadFileNumber = 52,
        FileNotFound = 53,
        FileAlreadyOpen = 55,
        DeviceIoError = 57,
        DiskFull = 61,
        PermissionDenied = 70,
        PathFileAccessError = 75,
        PathNotFound = 76,
    };

    RuntimeError(Number number, const std::string& detail = {});

    Number number() const { return number_; }
    // The runtime's own name for the error, such as "Overflow".
    const char* title() const;
    // What failed and why, such as a file's path and the system's reason; may be empty.
    const std::string& detail() const { return detail_; }

  private:
    Number number_;
    std::string detail_;
};

// The error for a file operation that the system refused with `error` (an errno value).
RuntimeError FileError(const std::string& path, int error);
// The error for a name that is there but is not a regular file.
RuntimeError NotAFileError(const std::string& path);

} // namespace tavola
