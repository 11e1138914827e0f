#include "runtime_error.h"

#include <cerrno>
#include <utility>

namespace tavola {

namespace {

// Each number's name, as the Italian runtime worded it.
const char* TitleOf(RuntimeError::Number number) {
    constexpr std::pair<RuntimeError::Number, const char*> titles[] = {
        {RuntimeError::Overflow, "Overflow"},
        {RuntimeError::BadFileNumber, "Nome o numero di file non valido"},
        {RuntimeError::FileNotFound, "File non trovato"},
        {RuntimeError::FileAlreadyOpen, "File già aperto"},
        {RuntimeError::DeviceIoError, "Errore di I/O della periferica"},
        {RuntimeError::DiskFull, "Disco pieno"},
        {RuntimeError::PermissionDenied, "Autorizzazione negata"},
        {RuntimeError::PathFileAccessError, "Errore di accesso al percorso o al file"},
        {RuntimeError::PathNotFound, "Percorso non trovato"},
    };
    for (const auto& [known, title] : titles)
        if (known == number)
            return title;
    return "Errore definito dall'applicazione o dall'oggetto";
}

} // namespace

RuntimeError::RuntimeError(Number number, const std::string& detail, const std::string& reason)
    : std::runtime_error((reason.empty() ? TitleOf(number) : reason) +
                         (detail.empty() ? "" : ": " + detail)),
      number_(number) {}

RuntimeError FileError(const std::string& path, int error) {
    // A symbolic link, which the game never follows, a folder, or a FIFO or
    // device with nobody at the other end.
    if (error == ELOOP || error == EISDIR || error == ENXIO)
        return NotAFileError(path);
    constexpr std::pair<int, RuntimeError::Number> numbers[] = {
        {ENOENT, RuntimeError::PathNotFound},     {ENOTDIR, RuntimeError::PathNotFound},
        {EACCES, RuntimeError::PermissionDenied}, {EPERM, RuntimeError::PermissionDenied},
        {EROFS, RuntimeError::PermissionDenied},  {ENOSPC, RuntimeError::DiskFull},
        {EDQUOT, RuntimeError::DiskFull},         {EFBIG, RuntimeError::DiskFull}, // a size limit
        {EIO, RuntimeError::DeviceIoError},
    };
    for (const auto& [known, number] : numbers)
        if (known == error)
            return RuntimeError(number, path);
    return RuntimeError(RuntimeError::PathFileAccessError, path);
}

RuntimeError NotAFileError(const std::string& path) {
    return RuntimeError(RuntimeError::PathFileAccessError, path, "Non è un file");
}

} // namespace tavola
