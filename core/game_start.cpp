#include "quiz.h"

namespace tavola {

// The name as the record files can hold it: one byte a character there, 255
// at most, and no control character, which a terminal showing the file
// would obey. Characters are counted in UTF-8, so a cut never splits one.
std::string NameForTheRecord(const std::string& typed) {
    constexpr std::size_t longest = 255;
    std::string name;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < typed.size() && characters < longest;) {
        const auto lead = static_cast<unsigned char>(typed[i]);
        std::size_t length = 1;
        while (i + length < typed.size() &&
               (static_cast<unsigned char>(typed[i + length]) & 0xC0) == 0x80)
            ++length;
        const bool c1Control =
            lead == 0xC2 && length == 2 && static_cast<unsigned char>(typed[i + 1]) < 0xA0;
        if (lead >= 0x20 && lead != 0x7F && !c1Control) {
            name.append(typed, i, length);
            ++characters;
        }
        i += length;
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
