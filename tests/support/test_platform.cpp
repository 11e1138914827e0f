#include "test_platform.h"

namespace tavola::testing {

void TestPlatform::Note(const std::string& call) {
    calls.push_back(call);
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
    if (asking)
        asking();
    if (textAnswers.empty())
        return {};
    std::string answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
}

void TestPlatform::PlayWave(const std::string& path) {
    Note("PlayWave");
    if (playing)
        playing();
    waves.push_back(path);
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
    throw ProgramEnded{0};
}

void TestPlatform::ReportAndEnd(const RuntimeError& error) {
    Note("ReportError");
    reportedErrors.push_back(error.what());
    throw ProgramEnded{1};
}

} // namespace tavola::testing
