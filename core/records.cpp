#include "conversions.h"
#include "quiz.h"

namespace tavola {

std::string Quiz::GetSystemDir() {
    // Always the whole directory, however long, and always a separator after it.
    return files_.GetWindowsDirectoryA() + "/";
}

std::string Quiz::ScoreFile() const {
    return state_.recordDir + "/tavrec7.txt";
}
std::string Quiz::NameFile() const {
    return state_.recordDir + "/ntavrec7.txt";
}

std::string Quiz::Leggifiletxt(const std::string& nomefile) {
    const int file = files_.NextFreeFileNumber();
    files_.OpenInput(nomefile, file);
    std::string content = files_.ReadAll(file);
    files_.CloseFile(file);
    return content;
}

void Quiz::LoadRecords() {
    state_.recordDir = GetSystemDir();
    std::string problem;
    {
        // In one transaction, so that the two files read are always one record's pair.
        const auto transaction = files_.BeginTransaction(state_.recordDir);
        // Opening for appending creates a missing file empty and leaves an existing one alone.
        for (const auto& path : {ScoreFile(), NameFile()}) {
            const int file = files_.NextFreeFileNumber();
            files_.OpenAppend(path, file);
            files_.CloseFile(file);
        }
        state_.recordScore = Leggifiletxt(ScoreFile());
        controls_.SetCaption(Label::lblpunti, state_.recordScore);
        controls_.SetCaption(Label::lblnome, Leggifiletxt(NameFile()));
        problem = transaction->Problem();
    }
    // A save cut short that cannot be finished must not keep the child from
    // playing: the pair on disk stands, and the player hears once why.
    if (!problem.empty())
        platform_.ShowMessage(problem, Buttons::Ok, std::nullopt);
}

void Quiz::WriteOneLine(const std::string& path, const std::string& text) {
    const int file = files_.NextFreeFileNumber();
    files_.OpenOutput(path, file);
    files_.PrintLine(file, text);
    files_.CloseFile(file);
}

void Quiz::CheckAndSaveRecord() {
    // The scope lets go of the record files before the message, so that a
    // game ending meanwhile never waits on this player's dialog.
    {
        const auto transaction = files_.BeginTransaction(state_.recordDir);
        // Only right answers count toward a record, as lblScore shows them.
        const double score = state_.correctCount.value();
        if (LeadingNumber(state_.recordScore) >= score)
            platform_.EndProgram();
        // Another game may have set a better record since this one started;
        // it must not be lost to a score that only beats the one shown.
        if (LeadingNumber(Leggifiletxt(ScoreFile())) >= score)
            platform_.EndProgram();
        WriteOneLine(ScoreFile(), ScoreText());
        WriteOneLine(NameFile(), state_.playerName);
        if (!transaction->Commit())
            platform_.EndProgram();
    }
    platform_.ShowMessage("Ok! Ho registrato il tuo record, C A M P I O N E", Buttons::Ok,
                          std::nullopt);
    platform_.EndProgram();
}

void Quiz::cmdExit_Click() {
    CheckAndSaveRecord();
}

} // namespace tavola
