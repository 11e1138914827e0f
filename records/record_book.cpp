#include "record_book.h"

#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_io.h"
#include "runtime_error.h"

namespace tavola {

namespace {

constexpr const char* ScoreName = RecordFolder::ScoreName;
constexpr const char* NameName = RecordFolder::NameName;
constexpr const char* LogName = RecordFolder::LogName;
// Left by versions before the log: a rewrite of the pair in progress.
constexpr const char* JournalName = "tavola7.journal";

// What files that hold no score as a save writes it count for: less than
// any score. The game has already compared the record that it showed.
constexpr long NoScore = -1;

// Lets go of the folder's lock however the fold ends.
struct Unlocking {
    RecordFolder& folder;
    ~Unlocking() { folder.Unlock(); }
};

// A file's text up to its first line end.
std::string_view FirstLine(std::string_view bytes) {
    return bytes.substr(0, bytes.find_first_of("\r\n"));
}

bool ReadCount(std::string_view& text, char end, std::size_t& value) {
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || next == text.data() || next == text.data() + text.size() ||
        *next != end)
        return false;
    text.remove_prefix(static_cast<std::size_t>(next - text.data()) + 1);
    return true;
}

// "SCORE LENGTH NAME", whole and by the rules.
std::optional<RecordBook::Pair> DecodeBody(std::string_view body) {
    const auto blank = body.find(' ');
    if (blank == std::string_view::npos || !RecordBook::ScoreOf(body.substr(0, blank)))
        return std::nullopt;
    RecordBook::Pair pair{std::string(body.substr(0, blank)), {}};
    body.remove_prefix(blank + 1);
    std::size_t length = 0;
    if (!ReadCount(body, ' ', length) || body.size() != length || !RecordBook::IsName(body))
        return std::nullopt;
    pair.name = body;
    return pair;
}

// The pair of a whole journal of the versions before the log, by the rules:
// "tavola7 journal 2\n", then each file's name, length and bytes, then "end\n".
std::optional<RecordBook::Pair> DecodeJournal(std::string_view text) {
    constexpr std::string_view header = "tavola7 journal 2\n";
    if (!text.starts_with(header))
        return std::nullopt;
    text.remove_prefix(header.size());
    RecordBook::Pair pair;
    for (const auto& [name, line] : {std::pair{ScoreName, &pair.score}, {NameName, &pair.name}}) {
        std::size_t length = 0;
        if (!text.starts_with(std::string(name) + " "))
            return std::nullopt;
        text.remove_prefix(std::string_view(name).size() + 1);
        if (!ReadCount(text, '\n', length) || length > text.size() || length < 2 ||
            text.substr(length - 2, 2) != "\r\n")
            return std::nullopt;
        *line = text.substr(0, length - 2);
        text.remove_prefix(length);
    }
    if (text != "end\n" || !RecordBook::ScoreOf(pair.score) || !RecordBook::IsName(pair.name))
        return std::nullopt;
    return pair;
}

} // namespace

RecordBook::RecordBook(const std::string& folder, RecordFolder::Kind kind)
    : folder_(folder, kind) {}

std::optional<long> RecordBook::ScoreOf(std::string_view line) {
    long score = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), score);
    if (error != std::errc() || end != line.data() + line.size() || line.size() > 5 ||
        line.front() == '-' || (line.front() == '0' && line.size() > 1) || score > HighestScore)
        return std::nullopt;
    return score;
}

bool RecordBook::IsName(std::string_view bytes) {
    if (bytes.size() > LongestName)
        return false;
    for (const unsigned char c : bytes)
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            return false;
    return true;
}

std::string RecordBook::EncodeEntry(const std::string& score, const std::string& name) {
    return "\n" + score + " " + std::to_string(name.size()) + " " + name + "\r";
}

// `older` also takes the entries of the version before, which ended in a
// line feed alone; only the step that takes in an older folder reads them.
RecordBook::Log RecordBook::DecodeLog(std::string_view bytes, off_t start, bool older) {
    Log log{{}, start, start + static_cast<off_t>(bytes.size()), start};
    for (std::size_t at = 0; at < bytes.size();) {
        const auto feed = bytes.find('\n', at);
        const std::size_t end = feed == std::string_view::npos ? bytes.size() : feed;
        std::string_view line = bytes.substr(at, end - at);
        const bool whole = line.ends_with('\r');
        if (whole)
            line.remove_suffix(1);
        if (whole || (older && feed != std::string_view::npos))
            if (auto pair = DecodeBody(line))
                log.entries.push_back({std::move(*pair), start + static_cast<off_t>(end)});
        // Everything before the last line feed is whole or never will be.
        if (feed != std::string_view::npos)
            log.folded = start + static_cast<off_t>(feed);
        else if (whole)
            log.folded = log.end;
        at = end + 1;
    }
    return log;
}

void RecordBook::RequireAll() {
    for (const char* name : {ScoreName, NameName, LogName, RecordFolder::LockName})
        folder_.Require(name);
}

// The files, the log, and the files again, until the two readings of the
// files agree: a fold that ran meanwhile is then seen whole.
RecordBook::Snapshot RecordBook::Take(bool older) const {
    for (int attempt = 0;; ++attempt) {
        Snapshot snapshot{folder_.Read(ScoreName), folder_.Read(NameName), {}};
        const UniqueFd log(folder_.Open(LogName, O_RDONLY));
        struct stat info {};
        if (::fstat(log.get(), &info) != 0)
            throw FileError(folder_.Shown(LogName), errno);
        // What a fold punched out reads as a hole: skip it.
        off_t start = ::lseek(log.get(), 0, SEEK_DATA);
        if (start < 0)
            start = info.st_size;
        std::string bytes;
        if (::lseek(log.get(), start, SEEK_SET) < 0 ||
            !ReadUpTo(log.get(),
                      std::min(static_cast<std::size_t>(info.st_size - start), LogLimit + 4096),
                      bytes))
            throw FileError(folder_.Shown(LogName), errno);
        snapshot.log = DecodeLog(bytes, start, older);
        if ((folder_.Read(ScoreName) == snapshot.score &&
             folder_.Read(NameName) == snapshot.name) ||
            attempt == 8)
            return snapshot;
    }
}

RecordBook::Best RecordBook::BestOf(const Snapshot& snapshot) {
    Best best{{std::string(FirstLine(snapshot.score)), std::string(FirstLine(snapshot.name))},
              ScoreOf(FirstLine(snapshot.score)).value_or(NoScore),
              false};
    const Pair files = best.pair;
    // Files that hold an entry's pair hold that record, perhaps without its
    // line ends yet: the entry stands for them.
    for (const Entry& entry : snapshot.log.entries)
        if (const long value = *ScoreOf(entry.pair.score);
            value > best.value || (!best.fromLog && entry.pair == files))
            best = {entry.pair, value, true};
    return best;
}

// Whether `mine`, appended to the log, is the record: no older entry and not
// the files hold as much, or the files hold it already.
bool RecordBook::IsRecord(const Snapshot& snapshot, const Entry& mine) {
    const Pair files{std::string(FirstLine(snapshot.score)), std::string(FirstLine(snapshot.name))};
    const long value = *ScoreOf(mine.pair.score);
    bool logged = false;
    for (const Entry& entry : snapshot.log.entries) {
        if (entry.end == mine.end && entry.pair == mine.pair) {
            logged = true;
            break;
        }
        if (*ScoreOf(entry.pair.score) >= value)
            return false;
    }
    if (files == mine.pair)
        return true;
    return logged && ScoreOf(files.score).value_or(NoScore) < value;
}

std::pair<std::string, std::string> RecordBook::Read() {
    if (folder_.Shared()) {
        for (const char* name : {ScoreName, NameName, LogName})
            folder_.Require(name);
    } else {
        const bool older = !folder_.Has(LogName) || folder_.Has(JournalName);
        RequireAll();
        // A fold that cannot finish (a full disk) leaves the log holding the
        // record: the start shows it and the child plays on.
        try {
            if (older)
                TakeInOlderLayout();
            Fold(false);
        } catch (const RuntimeError&) {
        }
    }
    const Snapshot snapshot = Take();
    const Best best = BestOf(snapshot);
    if (!best.fromLog)
        return {snapshot.score, snapshot.name};
    return {best.pair.score + "\r\n", best.pair.name + "\r\n"};
}

bool RecordBook::Lags() {
    return !Take().log.entries.empty();
}

bool RecordBook::Offer(const std::string& score, const std::string& name) {
    const std::optional<long> value = ScoreOf(score);
    if (!value || !IsName(name))
        throw RuntimeError(RuntimeError::BadFileNumber, folder_.Shown(LogName),
                           "Il record non è nel formato dei file");
    RequireAll();
    folder_.OpenTargets({ScoreName, NameName});
    // A log that lags makes room for this entry first, when the lock is free.
    try {
        Fold(false);
    } catch (const RuntimeError&) {
    }
    if (BestOf(Take()).value >= *value)
        return false;
    const Entry mine{{score, name}, Append(EncodeEntry(score, name))};
    // The save has happened: the files follow now, or at the next fold.
    try {
        Fold(false);
    } catch (const RuntimeError&) {
    }
    return IsRecord(Take(), mine);
}

void RecordBook::Tidy() {
    RequireAll();
    if (folder_.Has(JournalName))
        TakeInOlderLayout();
    Fold(false);
}

void RecordBook::Fold(bool older) {
    for (;;) {
        off_t seen = 0;
        {
            if (!folder_.TryLock())
                return;
            const Unlocking unlocking{folder_};
            seen = FoldOnce(older);
        }
        // A save appended meanwhile found the lock taken and left its fold to
        // the holder: this one.
        if (LogSize() == seen)
            return;
    }
}

off_t RecordBook::FoldOnce(bool older) {
    const Snapshot snapshot = Take(older);
    const Best best = BestOf(snapshot);
    // The name first: until the score follows, the files' score stays below the log's.
    if (best.fromLog && snapshot.name != best.pair.name + "\r\n")
        folder_.Rewrite(NameName, best.pair.name + "\r\n");
    if (best.fromLog && snapshot.score != best.pair.score + "\r\n")
        folder_.Rewrite(ScoreName, best.pair.score + "\r\n");
    if (snapshot.log.folded > snapshot.log.start) {
        const UniqueFd log(folder_.Open(LogName, O_WRONLY));
        // A file system that cannot punch holes keeps the entries: they are
        // read again, and only a log at its limit refuses a save.
        if (::fallocate(log.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0,
                        snapshot.log.folded) != 0 &&
            errno != EOPNOTSUPP && errno != ENOSYS)
            throw FileError(folder_.Shown(LogName), errno);
    }
    return snapshot.log.end;
}

// Once, under the lock: the pair of a journal that an older version left
// whole, and the entries of its log, become an entry of today's log when
// they beat the record; then the fold takes them in, and what the older
// version left goes.
void RecordBook::TakeInOlderLayout() {
    if (!folder_.TryLock())
        return;
    {
        const Unlocking unlocking{folder_};
        if (folder_.Has(JournalName)) {
            const UniqueFd journal(folder_.Open(JournalName, O_RDONLY));
            std::string bytes;
            if (!ReadUpTo(journal.get(), 2 * RecordFolder::ReadLimit, bytes))
                throw FileError(folder_.Shown(JournalName), errno);
            const auto pair = DecodeJournal(bytes);
            if (pair && *ScoreOf(pair->score) > BestOf(Take(true)).value)
                Append(EncodeEntry(pair->score, pair->name));
        }
        FoldOnce(true);
    }
    ::unlinkat(folder_.Descriptor(), JournalName, 0);
    if (folder_.Shared())
        return;
    // The player's record is hers alone; versions before the journal left
    // NAME.tmp-PID beside each file after a crash.
    ::fchmod(folder_.Descriptor(), 0700);
    const int copy = ::dup(folder_.Descriptor());
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (dir == nullptr) {
        if (copy >= 0)
            ::close(copy);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(std::string(ScoreName) + ".tmp-") ||
            name.starts_with(std::string(NameName) + ".tmp-"))
            ::unlinkat(folder_.Descriptor(), entry->d_name, 0);
    }
    ::closedir(dir);
}

off_t RecordBook::LogSize() const {
    struct stat info {};
    if (::fstatat(folder_.Descriptor(), LogName, &info, AT_SYMLINK_NOFOLLOW) != 0)
        throw FileError(folder_.Shown(LogName), errno);
    return info.st_size;
}

// One write, so that no other save's bytes come between this one's; a
// write that the log's size or the process's file size limit would cut
// short is refused before it starts. Gives the offset just past the entry.
off_t RecordBook::Append(const std::string& entry) {
    const std::string shown = folder_.Shown(LogName);
    const UniqueFd log(folder_.Open(LogName, O_WRONLY | O_APPEND));
    struct stat info {};
    if (::fstat(log.get(), &info) != 0)
        throw FileError(shown, errno);
    off_t start = ::lseek(log.get(), 0, SEEK_DATA);
    if (start < 0)
        start = info.st_size;
    const auto size = static_cast<rlim_t>(info.st_size) + entry.size();
    rlimit limit{};
    if (static_cast<std::size_t>(info.st_size - start) + entry.size() > LogLimit ||
        ::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw RuntimeError(RuntimeError::DiskFull, shown);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < size + 4096) {
        limit.rlim_cur = limit.rlim_max;
        if ((limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < size + 4096) ||
            ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            throw RuntimeError(RuntimeError::DiskFull, shown);
    }
    ssize_t written = 0;
    while ((written = ::write(log.get(), entry.data(), entry.size())) < 0 && errno == EINTR) {
    }
    if (written < 0)
        throw FileError(shown, errno);
    if (static_cast<std::size_t>(written) != entry.size())
        throw RuntimeError(RuntimeError::DiskFull, shown);
    const off_t end = ::lseek(log.get(), 0, SEEK_CUR);
    // A failed sync is reported, though the entry may stand: the next start shows it.
    if (end < 0 || ::fsync(log.get()) != 0)
        throw FileError(shown, errno);
    return end;
}

} // namespace tavola
