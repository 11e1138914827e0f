// tavola7-record: the only program that writes the computer's shared record.
//
// It runs set-group-id to the group that owns the record folder, so that the
// players can save a record there but not write the files by hand. It reads
// no environment variable and no file outside its compiled-in folder, follows
// no symbolic link, and refuses anything unexpected with a message and a
// non-zero status, leaving the files as they were.
//
//   tavola7-record              make both files exist; finish or undo a save cut short
//   tavola7-record SCORE NAME   save SCORE (1 to 5 digits) and NAME
//                               (Windows-1252, at most 255 bytes, one line)
//                               when SCORE beats the record in the folder
//
// Status: 0 done, 1 not saved (the record is as good or better),
// 2 refused arguments, 3 the folder or its files are unusable.
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "conversions.h"
#include "record_folder.h"
#include "runtime_error.h"

#ifndef TAVOLA_RECORD_DIR
#error "TAVOLA_RECORD_DIR must name the record folder"
#endif

namespace {

enum Status { Saved = 0, NotBeaten = 1, Refused = 2, Unusable = 3 };

using tavola::RecordFolder;
constexpr const char* ScoreName = RecordFolder::ScoreName;
constexpr const char* NameName = RecordFolder::NameName;
constexpr std::size_t LongestName = 255;

int Refuse(Status status, const std::string& why) {
    std::fprintf(stderr, "tavola7-record: %s\n", why.c_str());
    return status;
}

bool IsScore(std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsName(std::string_view text) {
    return text.size() <= LongestName && text.find_first_of("\r\n") == std::string_view::npos;
}

// The folder must be one that only its owner (root, or the player running
// an unprivileged copy) and our group can change.
std::string WhatIsWrongWith(const tavola::RecordFolder& folder) {
    struct stat info {};
    if (::fstat(folder.Descriptor(), &info) != 0)
        return "cannot examine the folder";
    if (info.st_uid != 0 && info.st_uid != ::geteuid())
        return "the folder has an unexpected owner";
    if (info.st_gid != ::getegid())
        return "the folder does not belong to this program's group";
    if ((info.st_mode & S_IWOTH) != 0 || (info.st_mode & S_IWGRP) == 0)
        return "the folder's mode is not writable by the group alone";
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    ::umask(002);
    if (argc != 1 && argc != 3)
        return Refuse(Refused, "usage: tavola7-record [SCORE NAME]");
    const bool saving = argc == 3;
    if (saving && !IsScore(argv[1]))
        return Refuse(Refused, "the score must be 1 to 5 digits");
    if (saving && !IsName(argv[2]))
        return Refuse(Refused, "the name must be one line of at most 255 bytes");

    try {
        tavola::RecordFolder folder(TAVOLA_RECORD_DIR, tavola::RecordFolder::Access::ReadWrite);
        if (const std::string wrong = WhatIsWrongWith(folder); !wrong.empty())
            return Refuse(Unusable, folder.Path() + ": " + wrong);
        folder.Lock();
        folder.Recover();
        folder.Create(ScoreName);
        folder.Create(NameName);
        if (!saving)
            return Saved;
        const std::string score = argv[1];
        if (tavola::LeadingNumber(folder.Read(ScoreName)) >= tavola::LeadingNumber(score))
            return NotBeaten;
        folder.Save({{ScoreName, score + "\r\n"}, {NameName, std::string(argv[2]) + "\r\n"}});
        return Saved;
    } catch (const tavola::RuntimeError& error) {
        return Refuse(Unusable, error.what());
    }
}
