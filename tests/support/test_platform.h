#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"
#include "random_source.h"

namespace tavola::testing {

// Thrown where the real platform would end the process, so that a test sees
// the end and nothing after it runs.
struct ProgramEnded {
    int status;
};

struct Message {
    std::string prompt;
    Buttons buttons;
    std::optional<std::string> title;
};

// The platform without a screen: dialogs answer from a script, random values
// come from a script (then from the real generator), and every call is
// written down in order.
class TestPlatform : public Platform {
  public:
    std::deque<std::string> textAnswers; // for AskText; empty answers ""
    std::deque<Reply> replies;           // for Yes/No questions; empty answers No
    std::deque<double> randomValues;     // empty falls back to the real generator
    std::string programDirectory = "/opt/tavola7";
    std::string today = "07/12/2026";

    std::vector<std::string> calls; // "ShowMessage", "RandomNext", ...
    std::function<void()> playing;  // called as a wave starts
    std::function<void()> asking;   // called as a text is asked
    std::vector<Message> messages;
    std::vector<std::string> asked;
    std::vector<std::string> waves;
    std::vector<std::string> reportedErrors;

    Reply ShowMessage(const std::string& prompt, Buttons buttons,
                      const std::optional<std::string>& title) override;
    std::string AskText(const std::string& prompt) override;
    void PlayWave(const std::string& path) override;
    double RandomNext() override;
    void RandomReseed() override;
    std::string Today() override;
    std::string ProgramDirectory() override;

  protected:
    void EndProcess() override;
    void ReportAndEnd(const RuntimeError& error) override;

  private:
    void Note(const std::string& call);

    RandomSource random_;
};

} // namespace tavola::testing
