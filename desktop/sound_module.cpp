// The sound module: wave playback through Qt Multimedia, loaded at run time.
#include <QSoundEffect>
#include <QString>
#include <QUrl>

#include <map>
#include <memory>

#include "wave_player.h"

namespace tavola {

namespace {

// One sound effect per wave file, loaded on first use and kept.
class SoundEffects : public WavePlayer {
  public:
    void Play(const std::string& path) override {
        auto& sound = sounds_[path];
        if (!sound) {
            sound = std::make_unique<QSoundEffect>();
            sound->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
        }
        sound->stop();
        sound->play();
    }

  private:
    std::map<std::string, std::unique_ptr<QSoundEffect>> sounds_;
};

} // namespace

} // namespace tavola

extern "C" Q_DECL_EXPORT tavola::WavePlayer* tavola7_make_wave_player() {
    return new tavola::SoundEffects;
}
