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
        BadFileNumber = 52,
        FileNotFound = 53,
        FileAlreadyOpen = 55,
        DeviceIoError = 57,
        DiskFull = 61,
        PermissionDenied = 70,
        PathFileAccessError = 75,
        PathNotFound = 76,
    };

    // Says "reason: detail". `reason` says in Italian why it failed, when more
    // is known than the number tells (such as "Non è un file"); by default the
    // number's own name. `detail` is what failed, such as a file's path.
    RuntimeError(Number number, const std::string& detail = {}, const std::string& reason = {});

    Number number() const { return number_; }

  private:
    Number number_;
};

// The error for a file operation on `path` that the system refused with
// `error` (an errno value): the path once, and the reason once, in Italian.
RuntimeError FileError(const std::string& path, int error);
// The error for a name that is there but is not a regular file.
RuntimeError NotAFileError(const std::string& path);

} // namespace tavola
