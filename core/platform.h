#pragma once

#include <exception>
#include <optional>
#include <string>

#include "runtime_error.h"

namespace tavola {

enum class Buttons {
    Ok,
    // Yes and No, the question icon, No as the default button.
    YesNoQuestion,
};

enum class Reply { Ok, Yes, No };

// Everything the game takes from the desktop and the runtime but its record
// files: dialogs, sound, dates, random numbers and the end of the program.
class Platform {
  public:
    virtual ~Platform() = default;

    // Modal; without a title the box carries the program's title "Vortimpa".
    virtual Reply ShowMessage(const std::string& prompt, Buttons buttons,
                              const std::optional<std::string>& title) = 0;
    // Modal, with an empty field; Cancel gives the empty text.
    virtual std::string AskText(const std::string& prompt) = 0;
    // Starts a wave file and returns at once; a missing file is silent.
    virtual void PlayWave(const std::string& path) = 0;
    virtual double RandomNext() = 0;
    virtual void RandomReseed() = 0;
    // The current date in the system's short format.
    virtual std::string Today() = 0;
    // The running program's folder, without a trailing separator.
    virtual std::string ProgramDirectory() = 0;
    // Ends the process; nothing after it runs.
    [[noreturn]] void EndProgram() {
        EndProcess();
        std::terminate(); // an implementation that returned would let the game run on
    }
    // Tells the player about a run-time error and ends the process with a failure status.
    [[noreturn]] void ReportError(const RuntimeError& error) {
        ReportAndEnd(error);
        std::terminate();
    }

  protected:
    // Must not return: end the process, or throw where a test stands in for the end.
    virtual void EndProcess() = 0;
    virtual void ReportAndEnd(const RuntimeError& error) = 0;
};

} // namespace tavola
