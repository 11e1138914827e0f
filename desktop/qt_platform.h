#pragma once

#include <memory>
#include <string>

#include "platform.h"
#include "random_source.h"
#include "wave_player.h"

namespace tavola {

// The player's own record folder in the user's data directory,
// $XDG_DATA_HOME/tavola7.
std::string OwnRecordFolder();

// The platform on a Linux desktop, through Qt.
class QtPlatform : public Platform {
  public:
    Reply ShowMessage(const std::string& prompt, Buttons buttons,
                      const std::optional<std::string>& title) override;
    std::string AskText(const std::string& prompt) override;
    void PlayWave(const std::string& path) override;
    double RandomNext() override;
    void RandomReseed() override;
    std::string Today() override;
    std::string ProgramDirectory() override;
    // Loads the sound module ahead of the first answer, so that its sound
    // starts at once; without the module the game plays on in silence.
    void PrepareSound();

  protected:
    void EndProcess() override;
    void ReportAndEnd(const RuntimeError& error) override;

  private:
    RandomSource random_;
    std::unique_ptr<WavePlayer> player_;
    bool soundTried_ = false;
};

} // namespace tavola
