#include "runtime_error.h"

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

} // namespace tavola
