#include "test_platform.h"

#include "shared_records.h"

namespace tavola::testing {

void TestPlatform::Note(const std::string& call) {
    calls.push_back(call);
    if (timeline)
        timeline->push_back(call);
}

Reply TestPlatform::ShowMessage(const std::string& prompt, Buttons buttons,
                                const std::optional<std::string>& title) {
    Note("ShowMessage");
    messages.push_back({prompt, buttons, title});
    if (buttons == Buttons::Ok)
        return Reply::Ok;
    if (replies.empty())
        return Reply::No;
    const Reply reply = replies.front();
    replies.pop_front();
    return reply;
}

std::string TestPlatform::AskText(const std::string& prompt) {
    Note("AskText");
    asked.push_back(prompt);
    if (textAnswers.empty())
        return {};
    std::string answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
}

void TestPlatform::PlayWave(const std::string& path) {
    Note("PlayWave");
    waves.push_back(path);
}

std::string TestPlatform::GetWindowsDirectoryA() {
    Note("GetWindowsDirectoryA");
    return windowsDirectory;
}

double TestPlatform::RandomNext() {
    Note("RandomNext");
    if (randomValues.empty())
        return random_.Next();
    const double value = randomValues.front();
    randomValues.pop_front();
    return value;
}

void TestPlatform::RandomReseed() {
    Note("RandomReseed");
    random_.Reseed();
}

std::string TestPlatform::Today() {
    Note("Today");
    return today;
}

std::string TestPlatform::ProgramDirectory() {
    Note("ProgramDirectory");
    return programDirectory;
}

void TestPlatform::EndProcess() {
    Note("EndProgram");
    files_.CloseAll();
    throw ProgramEnded{0};
}

void TestPlatform::ReportAndEnd(const RuntimeError& error) {
    Note("ReportError");
    reportedErrors.push_back(error.what());
    files_.CloseAll();
    throw ProgramEnded{1};
}

int TestPlatform::NextFreeFileNumber() {
    Note("NextFreeFileNumber");
    return files_.NextFreeFileNumber();
}

void TestPlatform::OpenAppend(const std::string& path, int file) {
    Note("OpenAppend " + path);
    files_.OpenAppend(path, file);
}

void TestPlatform::OpenOutput(const std::string& path, int file) {
    Note("OpenOutput " + path);
    files_.OpenOutput(path, file);
}

void TestPlatform::OpenInput(const std::string& path, int file) {
    Note("OpenInput " + path);
    files_.OpenInput(path, file);
}

std::string TestPlatform::ReadAll(int file) {
    Note("ReadAll");
    return files_.ReadAll(file);
}

void TestPlatform::PrintLine(int file, const std::string& text) {
    Note("PrintLine " + text);
    files_.PrintLine(file, text);
}

void TestPlatform::CloseFile(int file) {
    Note("CloseFile");
    files_.CloseFile(file);
}

std::unique_ptr<FileTransaction> TestPlatform::BeginTransaction(const std::string& directory) {
    Note("BeginTransaction");
    if (!recordHelper.empty())
        return std::make_unique<SharedRecordTransaction>(files_, directory, recordHelper);
    return std::make_unique<FolderTransaction>(files_, directory);
}

} // namespace tavola::testing
