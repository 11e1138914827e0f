#include "conversions.h"
#include "quiz.h"

namespace tavola {

std::string Quiz::GetSystemDir() {
    // Always the whole directory, however long, and always a separator after it.
    return platform_.GetWindowsDirectoryA() + "/";
}

std::string Quiz::ScoreFile() const {
    return state_.recordDir + "/tavrec7.txt";
}
std::string Quiz::NameFile() const {
    return state_.recordDir + "/ntavrec7.txt";
}

std::string Quiz::Leggifiletxt(const std::string& nomefile) {
    const int file = platform_.NextFreeFileNumber();
    platform_.OpenInput(nomefile, file);
    std::string content = platform_.ReadAll(file);
    platform_.CloseFile(file);
    return content;
}

void Quiz::LoadRecords() {
    state_.recordDir = GetSystemDir();
    std::string problem;
    {
        // Under the lock, so that the two files read are always one record's pair.
        const auto transaction = platform_.BeginTransaction(state_.recordDir);
        // Opening for appending creates a missing file empty and leaves an existing one alone.
        for (const auto& path : {ScoreFile(), NameFile()}) {
            const int file = platform_.NextFreeFileNumber();
            platform_.OpenAppend(path, file);
            platform_.CloseFile(file);
        }
        controls_.SetCaption(Label::lblpunti, Leggifiletxt(ScoreFile()));
        controls_.SetCaption(Label::lblnome, Leggifiletxt(NameFile()));
        problem = transaction->Problem();
    }
    // A save cut short that cannot be finished must not keep the child from
    // playing: the pair on disk stands, and the player hears once why.
    if (!problem.empty())
        platform_.ShowMessage(problem, Buttons::Ok, std::nullopt);
}

void Quiz::WriteOneLine(const std::string& path, const std::string& text) {
    const int file = platform_.NextFreeFileNumber();
    platform_.OpenOutput(path, file);
    platform_.PrintLine(file, text);
    platform_.CloseFile(file);
}

void Quiz::CheckAndSaveRecord() {
    // The scope lets go of the record files before the message, so that a
    // game ending meanwhile never waits on this player's dialog.
    {
        const auto transaction = platform_.BeginTransaction(state_.recordDir);
        const double record = LeadingNumber(controls_.Caption(Label::lblpunti));
        const double score = ToDouble(controls_.Caption(Label::lblScore));
        if (record >= score)
            platform_.EndProgram();
        // Another game may have set a better record since this one started;
        // it must not be lost to a score that only beats the one shown.
        if (LeadingNumber(Leggifiletxt(ScoreFile())) >= score)
            platform_.EndProgram();
        WriteOneLine(ScoreFile(), controls_.Caption(Label::lblScore));
        WriteOneLine(NameFile(), controls_.Caption(Label::lblnome1));
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
