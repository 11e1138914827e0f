#include "quiz.h"
#include "utf8.h"

namespace tavola {

// The name as the record files can hold it: one byte a character there, 255
// at most, and no control character (C0, DEL or C1), which a terminal showing
// the file would obey. A cut never splits a character.
std::string NameForTheRecord(const std::string& typed) {
    constexpr std::size_t longest = 255;
    std::string name;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < typed.size() && characters < longest;) {
        char32_t code = 0;
        const std::size_t length = Utf8CharacterAt(typed, i, code);
        if (length > 0 && code >= 0x20 && !(code >= 0x7F && code < 0xA0)) {
            name.append(typed, i, length);
            ++characters;
        }
        i += length > 0 ? length : 1;
    }
    return name;
}

void Quiz::Load() {
    controls_.SetTimerEnabled(false);
    state_.playerName = NameForTheRecord(platform_.AskText("Come ti chiami?"));
    platform_.ShowMessage(" " + state_.playerName + " vediamo se sei un vero campione  ",
                          Buttons::Ok, std::nullopt);
    controls_.SetCaption(Label::lblnome1, state_.playerName);
    StartClock();
    state_.correctCount = 0;
    state_.wrongCount = 0;
    LoadRecords();
    FinishClockStart();
}

bool Quiz::ConfirmNewGame() {
    const Reply reply = platform_.ShowMessage("INIZIAMO UNA NUOVA GARA  ?", Buttons::YesNoQuestion,
                                              "INIZIARE NUOVA GARA");
    if (reply == Reply::No)
        return false;
    // The answer is only acknowledged: questions always run from 0 to 9.
    if (platform_.AskText("Tavola pitagorica fino al numero? ").empty())
        platform_.ShowMessage(" " + state_.playerName +
                                  " siccome non hai scelto arriviamo fino al 10.",
                              Buttons::Ok, std::nullopt);
    return true;
}

} // namespace tavola
