#include "record_store.h"

#include <sys/stat.h>

#include "file_io.h"
#include "runtime_error.h"
#include "shared_records.h"

namespace tavola {

RecordPlace PickRecordPlace(const std::string& programDirectory, const std::string& sharedFolder,
                            const std::string& ownFolder) {
    const std::string helper = programDirectory + "/tavola7-record";
    struct stat program {};
    struct stat folder {};
    if (::stat(helper.c_str(), &program) != 0 || !S_ISREG(program.st_mode) ||
        (program.st_mode & S_ISGID) == 0)
        return {ownFolder, {}};
    if (::stat(sharedFolder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode) ||
        folder.st_gid != program.st_gid)
        return {ownFolder, {}};
    return {sharedFolder, helper};
}

std::string RecordStore::GetWindowsDirectoryA() {
    if (place_.helper.empty()) {
        try {
            MakeFolders(place_.folder);
        } catch (const RuntimeError&) {
            // Opening the record files then says what is wrong, and where.
        }
    }
    return place_.folder;
}

int RecordStore::NextFreeFileNumber() {
    return files_.NextFreeFileNumber();
}
void RecordStore::OpenAppend(const std::string& path, int file) {
    files_.OpenAppend(path, file);
}
void RecordStore::OpenOutput(const std::string& path, int file) {
    files_.OpenOutput(path, file);
}
void RecordStore::OpenInput(const std::string& path, int file) {
    files_.OpenInput(path, file);
}
std::string RecordStore::ReadAll(int file) {
    return files_.ReadAll(file);
}
void RecordStore::PrintLine(int file, const std::string& text) {
    files_.PrintLine(file, text);
}
void RecordStore::CloseFile(int file) {
    files_.CloseFile(file);
}

void RecordStore::ReadSoon() {
    if (place_.helper.empty())
        return;
    try {
        early_ = std::make_unique<HelperRun>(place_.helper, std::vector<std::string>{});
    } catch (const RuntimeError&) {
        // The transaction starts the helper again, and says what is wrong.
    }
}

std::unique_ptr<RecordTransaction> RecordStore::BeginTransaction(const std::string& directory) {
    if (!place_.helper.empty() && SameFolder(directory, place_.folder))
        return std::make_unique<SharedRecordTransaction>(files_, directory, place_.helper,
                                                         std::move(early_));
    return std::make_unique<FolderTransaction>(files_, directory);
}

} // namespace tavola
