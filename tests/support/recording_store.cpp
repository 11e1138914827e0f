#include "recording_store.h"

namespace tavola::testing {

void RecordingStore::Note(const std::string& call) {
    calls.push_back(call);
    if (timeline)
        timeline->push_back(call);
}

ShownRecord RecordingStore::Read() {
    Note("Read");
    return RecordStore::Read();
}

bool RecordingStore::Offer(int score, const std::string& name) {
    Note("Offer " + std::to_string(score) + " " + name);
    return RecordStore::Offer(score, name);
}

} // namespace tavola::testing
