// The sound module: wave playback straight through the desktop's sound server
// (PulseAudio, or PipeWire's PulseAudio server), loaded at run time. Two short
// wave files need no media framework, and so nothing of one is loaded.
#include <pulse/pulseaudio.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "wave_file.h"
#include "wave_player.h"

namespace tavola {

namespace {

class MainLoopLock {
  public:
    explicit MainLoopLock(pa_threaded_mainloop* loop) : loop_(loop) {
        pa_threaded_mainloop_lock(loop_);
    }
    ~MainLoopLock() { pa_threaded_mainloop_unlock(loop_); }
    MainLoopLock(const MainLoopLock&) = delete;
    MainLoopLock& operator=(const MainLoopLock&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

std::optional<WaveSound> ReadWave(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return file.bad() ? std::nullopt : ParseWave(bytes);
}

// One connection to the sound server, kept from the module's load, and one
// stream a sound: a new sound stops the one before, as the game's design
// plays them. A computer with no sound server plays nothing and says nothing;
// a server that comes back is connected to at the next sound.
class PulsePlayer : public WavePlayer {
  public:
    PulsePlayer() : loop_(pa_threaded_mainloop_new()) {
        Connect();
        pa_threaded_mainloop_start(loop_);
    }

    ~PulsePlayer() override {
        pa_threaded_mainloop_stop(loop_);
        Stop();
        Disconnect();
        pa_threaded_mainloop_free(loop_);
    }

    PulsePlayer(const PulsePlayer&) = delete;
    PulsePlayer& operator=(const PulsePlayer&) = delete;

    void Play(const std::string& path) override {
        auto found = sounds_.find(path);
        if (found == sounds_.end())
            found = sounds_.emplace(path, ReadWave(path)).first;
        if (!found->second)
            return;
        MainLoopLock lock(loop_);
        Stop();
        pending_ = &*found->second;
        switch (pa_context_get_state(context_)) {
        case PA_CONTEXT_READY:
            Start();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            Disconnect();
            Connect();
            break;
        default: // still connecting: the sound starts once the server answers
            break;
        }
    }

  private:
    // The calls below run with the main loop's lock held: from Play, or as
    // the loop's own callbacks.
    void Connect() {
        pa_proplist* properties = pa_proplist_new();
        pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "org.example.tavola7");
        pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "game");
        context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_),
                                                "Tavola del sette", properties);
        pa_proplist_free(properties);
        pa_context_set_state_callback(context_, &PulsePlayer::ContextChanged, this);
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }

    void Disconnect() {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }

    static void ContextChanged(pa_context* context, void* self) {
        auto* player = static_cast<PulsePlayer*>(self);
        if (pa_context_get_state(context) == PA_CONTEXT_READY && player->pending_)
            player->Start();
    }

    void Start() {
        const WaveSound& sound = *pending_;
        const pa_sample_spec format{sound.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE,
                                  static_cast<std::uint32_t>(sound.rate),
                                  static_cast<std::uint8_t>(sound.channels)};
        stream_ = pa_stream_new(context_, "Tavola del sette", &format, nullptr);
        if (!stream_)
            return;
        pa_stream_set_state_callback(stream_, &PulsePlayer::StreamChanged, this);
        if (pa_stream_connect_playback(stream_, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr,
                                       nullptr) < 0)
            Stop();
    }

    // Once the server takes the stream, the whole sound goes at once, and the
    // stream ends when the server has played it.
    static void StreamChanged(pa_stream* stream, void* self) {
        auto* player = static_cast<PulsePlayer*>(self);
        switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY: {
            const WaveSound& sound = *player->pending_;
            player->pending_ = nullptr;
            if (pa_stream_write(stream, sound.samples.data(), sound.samples.size(), nullptr, 0,
                                PA_SEEK_RELATIVE) < 0)
                player->Stop();
            else
                player->drain_ = pa_stream_drain(stream, &PulsePlayer::Drained, self);
            break;
        }
        case PA_STREAM_FAILED:
            player->Stop();
            break;
        default:
            break;
        }
    }

    static void Drained(pa_stream*, int, void* self) {
        auto* player = static_cast<PulsePlayer*>(self);
        pa_operation_unref(player->drain_); // done: nothing left to cancel
        player->drain_ = nullptr;
        player->Stop();
    }

    void Stop() {
        pending_ = nullptr;
        if (drain_) {
            pa_operation_cancel(drain_);
            pa_operation_unref(drain_);
            drain_ = nullptr;
        }
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
    }

    pa_threaded_mainloop* loop_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    const WaveSound* pending_ = nullptr; // the sound that plays once its stream is ready
    std::map<std::string, std::optional<WaveSound>> sounds_;
};

} // namespace

} // namespace tavola

extern "C" __attribute__((visibility("default"))) tavola::WavePlayer* tavola7_make_wave_player() {
    return new tavola::PulsePlayer;
}
