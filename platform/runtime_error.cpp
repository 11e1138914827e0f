#include "runtime_error.h"

#include <cerrno>
#include <cstring>

namespace tavola {

namespace {

const char* TitleOf(RuntimeError::Number number) {
    switch (number) {
    case RuntimeError::Overflow:
        return "Overflow";
    case RuntimeError::TypeMismatch:
        return "Type mismatch";
    case RuntimeError::BadFileNumber:
        return "Bad file name or number";
    case RuntimeError::FileNotFound:
        return "File not found";
    case RuntimeError::FileAlreadyOpen:
        return "File already open";
    case RuntimeError::DeviceIoError:
        return "Device I/O error";
    case RuntimeError::DiskFull:
        return "Disk full";
    case RuntimeError::PermissionDenied:
        return "Permission denied";
    case RuntimeError::PathFileAccessError:
        return "Path/File access error";
    case RuntimeError::PathNotFound:
        return "Path not found";
    }
    return "Application-defined or object-defined error";
}

std::string WhatOf(RuntimeError::Number number, const std::string& detail) {
    std::string what = TitleOf(number);
    if (!detail.empty())
        what += ": " + detail;
    return what;
}

} // namespace

RuntimeError::RuntimeError(Number number, const std::string& detail)
    : std::runtime_error(WhatOf(number, detail)), number_(number), detail_(detail) {}

const char* RuntimeError::title() const {
    return TitleOf(number_);
}

RuntimeError FileError(const std::string& path, int error) {
    RuntimeError::Number number = RuntimeError::PathFileAccessError;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        number = RuntimeError::PathNotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        number = RuntimeError::PermissionDenied;
        break;
    case ENOSPC:
    case EDQUOT:
        number = RuntimeError::DiskFull;
        break;
    case EIO:
        number = RuntimeError::DeviceIoError;
        break;
    default:
        break;
    }
    return RuntimeError(number, path + " (" + std::strerror(error) + ")");
}

RuntimeError NotAFileError(const std::string& path) {
    return RuntimeError(RuntimeError::PathFileAccessError, path + " (not a regular file)");
}

} // namespace tavola
