#include "record_book.h"

#include <algorithm>
#include <charconv>

namespace tavola {

namespace {

std::string_view FirstLine(std::string_view bytes) {
    return bytes.substr(0, bytes.find_first_of("\r\n"));
}

// A number as a save writes it: digits alone, no leading zero, within `most`.
template <typename Number> std::optional<Number> CountOf(std::string_view digits, Number most) {
    Number value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '-' ||
        (digits.front() == '0' && digits.size() > 1) || value > most)
        return std::nullopt;
    return value;
}

// "SCORE LENGTH NAME USER", whole and by the rules, the length as a save
// writes it.
std::optional<RecordBook::Entry> DecodeBody(std::string_view body) {
    const auto first = body.find(' ');
    const auto second = first == std::string_view::npos ? first : body.find(' ', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const auto length = CountOf<std::size_t>(body.substr(first + 1, second - first - 1),
                                             RecordBook::LongestName);
    const std::string_view score = body.substr(0, first), rest = body.substr(second + 1);
    if (!length || rest.size() <= *length || rest[*length] != ' ' || !RecordBook::ScoreOf(score))
        return std::nullopt;
    const std::string_view name = rest.substr(0, *length);
    const auto user = CountOf<uid_t>(rest.substr(*length + 1), static_cast<uid_t>(-2));
    if (!user || !RecordBook::IsName(name))
        return std::nullopt;
    return RecordBook::Entry{{std::string(score), std::string(name)}, 0, *user};
}

} // namespace

std::optional<long> RecordBook::ScoreOf(std::string_view line) {
    return CountOf<long>(line, HighestScore);
}

bool RecordBook::IsName(std::string_view bytes) {
    return bytes.size() <= LongestName && std::ranges::none_of(bytes, [](unsigned char c) {
               return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 ||
                      c == 0x9D;
           });
}

std::string RecordBook::EncodeEntry(const Pair& pair, uid_t user) {
    return "\n" + pair.score + " " + std::to_string(pair.name.size()) + " " + pair.name + " " +
           std::to_string(user) + "\r";
}

RecordBook::Log RecordBook::DecodeLog(std::string_view bytes, off_t start, uid_t user) {
    Log log{{}, start, start, 0};
    for (std::size_t at = 0; at < bytes.size();) {
        const auto feed = bytes.find('\n', at);
        const std::size_t end = feed == std::string_view::npos ? bytes.size() : feed;
        const std::string_view line = bytes.substr(at, end - at);
        const bool whole = line.ends_with('\r');
        if (whole)
            if (auto entry = DecodeBody(line.substr(0, line.size() - 1))) {
                entry->end = start + static_cast<off_t>(end);
                if (entry->user == user)
                    log.waiting += line.size() + 1;
                // An entry that an older one matches can never be the record:
                // kept, however many a log holds, it would only take memory.
                if (log.entries.empty() ||
                    *ScoreOf(entry->pair.score) > *ScoreOf(log.entries.back().pair.score))
                    log.entries.push_back(std::move(*entry));
            }
        if (feed != std::string_view::npos)
            log.folded = start + static_cast<off_t>(feed);
        else if (whole)
            log.folded = start + static_cast<off_t>(bytes.size());
        at = end + 1;
    }
    return log;
}

bool RecordBook::IsRecord(const Snapshot& after, const Entry& mine) {
    const Pair files{std::string(FirstLine(after.score)), std::string(FirstLine(after.name))};
    const long value = *ScoreOf(mine.pair.score);
    for (const Entry& entry : after.log.entries) {
        if (entry.end == mine.end && entry.pair == mine.pair)
            return files == mine.pair || ScoreOf(files.score).value_or(Best::None) < value;
        if (*ScoreOf(entry.pair.score) >= value)
            return false;
    }
    // Another save's fold took it out of the log.
    return files == mine.pair;
}

RecordBook::Best RecordBook::BestOf(const Snapshot& snapshot) {
    Best best{{std::string(FirstLine(snapshot.score)), std::string(FirstLine(snapshot.name))},
              ScoreOf(FirstLine(snapshot.score)).value_or(Best::None),
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

} // namespace tavola
