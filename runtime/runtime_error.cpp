#include "runtime_error.h"

#include <cerrno>

namespace tavola {

namespace {

// Each number's name, as the Italian runtime worded it.
const char* TitleOf(RuntimeError::Number number) {
    switch (number) {
    case RuntimeError::Overflow:
        return "Overflow";
    case RuntimeError::BadFileNumber:
        return "Nome o numero di file non valido";
    case RuntimeError::FileNotFound:
        return "File non trovato";
    case RuntimeError::FileAlreadyOpen:
        return "File già aperto";
    case RuntimeError::DeviceIoError:
        return "Errore di I/O della periferica";
    case RuntimeError::DiskFull:
        return "Disco pieno";
    case RuntimeError::PermissionDenied:
        return "Autorizzazione negata";
    case RuntimeError::PathFileAccessError:
        return "Errore di accesso al percorso o al file";
    case RuntimeError::PathNotFound:
        return "Percorso non trovato";
    }
    return "Errore definito dall'applicazione o dall'oggetto";
}

std::string WhatOf(const std::string& reason, const std::string& detail) {
    return detail.empty() ? reason : reason + ": " + detail;
}

} // namespace

RuntimeError::RuntimeError(Number number, const std::string& detail, const std::string& reason)
    : std::runtime_error(WhatOf(reason.empty() ? TitleOf(number) : reason, detail)),
      number_(number), detail_(detail), reason_(reason.empty() ? TitleOf(number) : reason) {}

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
