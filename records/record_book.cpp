#include "record_book.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "conversions.h"
#include "file_io.h"
#include "runtime_error.h"

namespace tavola {

namespace {

constexpr const char* ScoreName = RecordFolder::ScoreName;
constexpr const char* NameName = RecordFolder::NameName;
constexpr const char* LogName = RecordFolder::LogName;
// The game's score is a 16-bit count: a record above it could never be beaten.
constexpr long HighestScore = 32767;

// Lets go of the folder's lock however the rewrite ends.
struct Unlocking {
    RecordFolder& folder;
    ~Unlocking() { folder.Unlock(); }
};

} // namespace

RecordBook::RecordBook(const std::string& folder, RecordFolder::Kind kind)
    : folder_(folder, kind) {}

double RecordBook::ScoreOf(std::string_view bytes) {
    return LeadingNumber(bytes);
}

bool RecordBook::IsScoreLine(std::string_view line) {
    long score = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), score);
    return error == std::errc() && end == line.data() + line.size() && line.size() <= 5 &&
           line.front() != '-' && (line.front() != '0' || line.size() == 1) && score <= HighestScore;
}

bool RecordBook::IsName(std::string_view bytes) {
    if (bytes.size() > LongestName)
        return false;
    for (const unsigned char c : bytes)
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            return false;
    return true;
}

// Each entry stands on a line of its own and carries its name's length, so
// that one cut short (by a crash, or a file size limit) is whole or dropped,
// and never swallows the next.
std::string RecordBook::EncodeEntry(const std::string& score, const std::string& name) {
    return "\n" + score + " " + std::to_string(name.size()) + " " + name + "\n";
}

std::vector<RecordBook::Pair> RecordBook::DecodeLog(std::string_view bytes) {
    std::vector<Pair> entries;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        const auto blank = line.find(' ');
        const std::string_view score = line.substr(0, blank);
        if (blank == std::string_view::npos || !IsScoreLine(score))
            continue;
        const std::string_view rest = line.substr(blank + 1);
        std::size_t length = 0;
        const auto [next, error] = std::from_chars(rest.data(), rest.data() + rest.size(), length);
        const std::size_t used = static_cast<std::size_t>(next - rest.data());
        if (error != std::errc() || used == 0 || used == rest.size() || rest[used] != ' ' ||
            rest.size() - used - 1 != length || !IsName(rest.substr(used + 1)))
            continue;
        entries.emplace_back(std::string(score) + "\r\n", std::string(rest.substr(used + 1)) + "\r\n");
    }
    return entries;
}

void RecordBook::RequireAll() {
    for (const char* name : {ScoreName, NameName, LogName, RecordFolder::JournalName,
                             RecordFolder::LockName})
        folder_.Require(name);
}

RecordBook::Opened RecordBook::Open() {
    RequireAll();
    const Mirrored mirrored = Mirror();
    return {RecordAfter(mirrored), mirrored.problem};
}

bool RecordBook::Offer(const std::string& score, const std::string& name) {
    if (!IsScoreLine(score) || !IsName(name))
        throw RuntimeError(RuntimeError::BadFileNumber, folder_.Path() + "/" + LogName,
                           "Il record non è nel formato dei file");
    RequireAll();
    folder_.OpenTargets({{ScoreName, {}}, {NameName, {}}});
    if (ScoreOf(RecordAfter(Mirror()).first) >= ScoreOf(score))
        return false;
    Append(EncodeEntry(score, name));
    // The save has happened: the files follow now, or at the next start.
    try {
        Mirror();
    } catch (const RuntimeError&) {
    }
    return true;
}

RecordBook::Mirrored RecordBook::Mirror() {
    for (;;) {
        Mirrored mirrored;
        std::size_t seen = 0;
        {
            if (!folder_.TryLock())
                return mirrored;
            const Unlocking unlocking{folder_};
            mirrored.ran = true;
            seen = LogSize();
            mirrored.problem = folder_.Recover();
            if (!mirrored.problem.empty())
                return mirrored;
            const Pair files = Files();
            mirrored.best = BestOf(files);
            if (*mirrored.best != files)
                folder_.Save({{ScoreName, mirrored.best->first}, {NameName, mirrored.best->second}});
        }
        // A save appended meanwhile found the lock taken and left its rewrite
        // to the holder: this one.
        if (LogSize() == seen)
            return mirrored;
    }
}

RecordBook::Pair RecordBook::RecordAfter(const Mirrored& mirrored) const {
    if (mirrored.best)
        return *mirrored.best;
    Pair files = Files();
    RecordFolder::Files pending;
    // Without the lock, a whole journal is a rewrite in progress elsewhere:
    // it stands for the files it is rewriting.
    if (!mirrored.ran && folder_.Pending(pending))
        for (const auto& [name, bytes] : pending)
            (name == ScoreName ? files.first : files.second) = bytes;
    return BestOf(files);
}

RecordBook::Pair RecordBook::Files() const {
    return {folder_.Read(ScoreName), folder_.Read(NameName)};
}

RecordBook::Pair RecordBook::BestOf(const Pair& files) const {
    std::optional<Pair> logged; // the first of the best: a tie keeps the older record
    for (auto& entry : DecodeLog(ReadLog()))
        if (!logged || ScoreOf(entry.first) > ScoreOf(logged->first))
            logged = std::move(entry);
    // Files that hold as much hold the log's own pair, or are being rewritten to it.
    if (logged && ScoreOf(logged->first) >= ScoreOf(files.first))
        return *logged;
    return files;
}

std::string RecordBook::ReadLog() const {
    const std::string shown = folder_.Path() + "/" + LogName;
    const UniqueFd log(folder_.Open(LogName, O_RDONLY));
    struct stat info {};
    if (::fstat(log.get(), &info) != 0)
        throw FileError(shown, errno);
    const auto size = static_cast<std::size_t>(info.st_size);
    const std::size_t start = size > LogLimit ? size - LogLimit : 0;
    std::string bytes;
    if (::lseek(log.get(), static_cast<off_t>(start), SEEK_SET) < 0 ||
        !ReadUpTo(log.get(), size - start, bytes))
        throw FileError(shown, errno);
    if (start > 0) // the first line is cut
        bytes.erase(0, bytes.find('\n'));
    return bytes;
}

std::size_t RecordBook::LogSize() const {
    struct stat info {};
    if (::fstatat(folder_.Descriptor(), LogName, &info, AT_SYMLINK_NOFOLLOW) != 0)
        throw FileError(folder_.Path() + "/" + LogName, errno);
    return static_cast<std::size_t>(info.st_size);
}

void RecordBook::Append(const std::string& entry) {
    const std::string shown = folder_.Path() + "/" + LogName;
    const UniqueFd log(folder_.Open(LogName, O_WRONLY | O_APPEND));
    // One write, so that no other save's bytes come between this one's.
    ssize_t written = 0;
    while ((written = ::write(log.get(), entry.data(), entry.size())) < 0 && errno == EINTR) {
    }
    if (written < 0)
        throw FileError(shown, errno);
    if (static_cast<std::size_t>(written) != entry.size()) // a file size limit
        throw RuntimeError(RuntimeError::DiskFull, shown);
    if (::fsync(log.get()) != 0)
        throw FileError(shown, errno);
}

} // namespace tavola
