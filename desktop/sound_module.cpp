// The sound module: the game's wave files through libcanberra, the library
// that desktops play their event sounds with, loaded at run time. Its
// PulseAudio driver alone (PulseAudio, or PipeWire's PulseAudio server): no
// other driver is tried, so a computer without a sound server plays nothing
// and says nothing.
#include <canberra.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "wave_player.h"

namespace tavola {

namespace {

// Every sound plays under one id, so that a new sound stops the one before,
// as the game's design plays them.
constexpr std::uint32_t Sound = 1;

// One connection to the sound server, on a thread of its own: starting a
// stream waits for the server, which the window must not wait for before it
// paints the verdict. Only the latest sound asked for plays. A server that
// was not there, or went away, is connected to again at the next sound.
class CanberraPlayer : public WavePlayer {
  public:
    CanberraPlayer() : worker_([this] { Serve(); }) {}
    ~CanberraPlayer() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        asked_.notify_one();
        worker_.join();
    }
    CanberraPlayer(const CanberraPlayer&) = delete;
    CanberraPlayer& operator=(const CanberraPlayer&) = delete;

    void Play(const std::string& path) override {
        {
            std::lock_guard lock(mutex_);
            next_ = path;
        }
        asked_.notify_one();
    }

  private:
    void Serve() {
        Open();
        std::unique_lock lock(mutex_);
        for (;;) {
            asked_.wait(lock, [this] { return stopping_ || next_; });
            if (stopping_)
                break;
            const std::string path = *std::exchange(next_, std::nullopt);
            lock.unlock();
            PlayNow(path);
            lock.lock();
        }
        Close();
    }

    void PlayNow(const std::string& path) {
        if (!context_ && !Open())
            return;
        ca_context_cancel(context_, Sound);
        if (!ServerGone(Start(path)))
            return;
        Close();
        if (Open())
            Start(path);
    }

    // libcanberra keeps a connection that the server has broken, and answers
    // every later sound with a bad state.
    static bool ServerGone(int result) {
        return result == CA_ERROR_STATE || result == CA_ERROR_DISCONNECTED;
    }

    bool Open() {
        ca_context_create(&context_);
        ca_context_set_driver(context_, "pulse");
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Tavola del sette",
                                CA_PROP_APPLICATION_ID, "org.example.tavola7", nullptr);
        if (ca_context_open(context_) == CA_SUCCESS)
            return true;
        Close();
        return false;
    }

    void Close() {
        if (context_)
            ca_context_destroy(context_);
        context_ = nullptr;
    }

    int Start(const std::string& path) {
        return ca_context_play(context_, Sound, CA_PROP_MEDIA_FILENAME, path.c_str(),
                               CA_PROP_MEDIA_ROLE, "game", nullptr);
    }

    ca_context* context_ = nullptr; // the worker's alone
    std::mutex mutex_;
    std::condition_variable asked_;
    std::optional<std::string> next_;
    bool stopping_ = false;
    std::thread worker_; // last: it starts once everything it uses is there
};

} // namespace

} // namespace tavola

extern "C" __attribute__((visibility("default"))) tavola::WavePlayer* tavola7_make_wave_player() {
    return new tavola::CanberraPlayer;
}
