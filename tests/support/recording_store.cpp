#include "recording_store.h"

namespace tavola::testing {

void RecordingStore::Note(const std::string& call) {
    calls.push_back(call);
    if (timeline)
        timeline->push_back(call);
}

std::string RecordingStore::GetWindowsDirectoryA() {
    Note("GetWindowsDirectoryA");
    return RecordStore::GetWindowsDirectoryA();
}

int RecordingStore::NextFreeFileNumber() {
    Note("NextFreeFileNumber");
    return RecordStore::NextFreeFileNumber();
}

void RecordingStore::OpenAppend(const std::string& path, int file) {
    Note("OpenAppend " + path);
    RecordStore::OpenAppend(path, file);
}

void RecordingStore::OpenOutput(const std::string& path, int file) {
    Note("OpenOutput " + path);
    RecordStore::OpenOutput(path, file);
}

void RecordingStore::OpenInput(const std::string& path, int file) {
    Note("OpenInput " + path);
    RecordStore::OpenInput(path, file);
}

std::string RecordingStore::ReadAll(int file) {
    Note("ReadAll");
    return RecordStore::ReadAll(file);
}

void RecordingStore::PrintLine(int file, const std::string& text) {
    Note("PrintLine " + text);
    RecordStore::PrintLine(file, text);
}

void RecordingStore::CloseFile(int file) {
    Note("CloseFile");
    RecordStore::CloseFile(file);
}

std::unique_ptr<RecordTransaction> RecordingStore::BeginTransaction(const std::string& directory) {
    Note("BeginTransaction");
    return RecordStore::BeginTransaction(directory);
}

} // namespace tavola::testing
