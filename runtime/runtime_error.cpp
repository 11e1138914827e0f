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
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return RuntimeError(RuntimeError::PathNotFound, path);
    case EACCES:
    case EPERM:
    case EROFS:
        return RuntimeError(RuntimeError::PermissionDenied, path);
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // a file size limit
        return RuntimeError(RuntimeError::DiskFull, path);
    case EIO:
        return RuntimeError(RuntimeError::DeviceIoError, path);
    case ELOOP:  // a symbolic link, which the game never follows
    case EISDIR: // a folder
    case ENXIO:  // a FIFO or device with nobody at the other end
        return NotAFileError(path);
    default:
        return RuntimeError(RuntimeError::PathFileAccessError, path);
    }
}

RuntimeError NotAFileError(const std::string& path) {
    return RuntimeError(RuntimeError::PathFileAccessError, path, "Non è un file");
}

} // namespace tavola
