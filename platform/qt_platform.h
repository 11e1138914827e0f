#pragma once

#include <memory>
#include <string>

#include "platform.h"
#include "random_source.h"
#include "sequential_files.h"
#include "wave_player.h"


namespace tavola {

// The platform on a Linux desktop, through Qt.
class QtPlatform : public Platform {
  public:
    QtPlatform();
    ~QtPlatform() override;

    Reply ShowMessage(const std::string& prompt, Buttons buttons,
                      const std::optional<std::string>& title) override;
    std::string AskText(const std::string& prompt) override;
    void PlayWave(const std::string& path) override;
    // The stand-in for the Windows directory: the computer's shared record
    // folder when the game is installed for every user, otherwise one folder
    // in the user's data directory, $XDG_DATA_HOME/tavola7, made when missing.
    std::string GetWindowsDirectoryA() override;
    double RandomNext() override;
    void RandomReseed() override;
    std::string Today() override;
    std::string ProgramDirectory() override;
    // Loads the sound module ahead of the first answer, so that its sound
    // starts at once; without the module the game plays on in silence.
    void PrepareSound();

    int NextFreeFileNumber() override;
    void OpenAppend(const std::string& path, int file) override;
    void OpenOutput(const std::string& path, int file) override;
    void OpenInput(const std::string& path, int file) override;
    std::string ReadAll(int file) override;
    void PrintLine(int file, const std::string& text) override;
    void CloseFile(int file) override;
    std::unique_ptr<FileTransaction> BeginTransaction(const std::string& directory) override;

  protected:
    void EndProcess() override;
    void ReportAndEnd(const RuntimeError& error) override;

  private:
    // The set-group-id program that writes the shared record, when installed.
    std::optional<std::string> SharedRecordHelper() const;

    SequentialFiles files_;
    RandomSource random_;
    std::unique_ptr<WavePlayer> player_;
    bool soundTried_ = false;
};

} // namespace tavola
