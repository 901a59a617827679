#include "platform/terminal/sound.h"

#if PATRULHA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#include <pthread.h>

#include <csignal>
#include <new>

#include "platform/terminal/signals.h"

namespace patrulha::platform {

// ==== Playing ====

namespace {

#if PATRULHA_HAVE_ALSA
// ALSA reports its troubles on standard error, which is the game's screen.
extern "C" void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}

constexpr unsigned kLatencyUs = 50'000;
#endif

constexpr unsigned kMaxQueuedMs = 500;

}  // namespace

TonePlayer::TonePlayer() {
    // The sound thread takes no signal from outside: they must reach the
    // game's thread, whose waits they interrupt. Its own faults it still
    // takes, so that a crash there restores the terminal too.
    const sigset_t asynchronous = asynchronous_signals();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &asynchronous, &previous);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    pthread_setname_np(thread_.native_handle(), "patrulha-sound");
}

TonePlayer::~TonePlayer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TonePlayer::play(unsigned frequency, unsigned duration_ms) {
    {
        std::lock_guard lock(mutex_);
        // In 64 bits: a huge tone must not wrap the sum round to a small one.
        if (queued_ms_ + duration_ms > kMaxQueuedMs && !queue_.empty()) return;
        queue_.push_back({frequency, duration_ms});
        queued_ms_ += duration_ms;
    }
    wake_.notify_all();
}

void TonePlayer::silence() {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        queued_ms_ = 0;
        silence_ = true;
    }
    wake_.notify_all();
}

bool TonePlayer::device_open() const {
    std::lock_guard lock(mutex_);
    return device_open_;
}

bool TonePlayer::idle() const {
    std::lock_guard lock(mutex_);
    return queue_.empty() && !busy_;
}

#if PATRULHA_HAVE_ALSA
void TonePlayer::run() {
    const ThreadCrashStack crash_stack;
    snd_pcm_t* pcm = nullptr;
    bool tried = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) break;
        const Tone tone = queue_.front();
        queue_.pop_front();
        queued_ms_ -= tone.duration_ms;
        silence_ = false;
        busy_ = true;
        lock.unlock();

        if (!tried) {
            tried = true;
            snd_lib_error_set_handler(quiet_alsa);
            // Opened without blocking: a device held by another program
            // must not hang the thread.
            if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0 ||
                snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                   kToneSampleRate, 1, kLatencyUs) < 0) {
                if (pcm) snd_pcm_close(pcm);
                pcm = nullptr;
            }
            std::lock_guard opened(mutex_);
            device_open_ = pcm != nullptr;
        }

        if (pcm) {
            std::vector<std::int16_t> samples;
            try {
                samples = render_tone(tone.frequency, tone.duration_ms);
            } catch (const std::bad_alloc&) {
                // No memory for this tone: it is dropped, the next may fit.
            }
            std::size_t done = 0;
            while (done < samples.size()) {
                {
                    std::lock_guard check(mutex_);
                    if (stop_ || silence_) break;
                }
                const snd_pcm_sframes_t n =
                    snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
                if (n == -EAGAIN) {
                    snd_pcm_wait(pcm, 20);
                } else if (n < 0) {
                    // An underrun between tones, or a suspended device.
                    if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) break;
                } else {
                    done += static_cast<std::size_t>(n);
                }
            }
            // The device starts by itself only once its buffer is full, which
            // a short tone alone never fills.
            if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
        }
        lock.lock();
        busy_ = false;
        if (silence_ && pcm) {
            snd_pcm_drop(pcm);
            snd_pcm_prepare(pcm);
        }
        silence_ = false;
    }
    lock.unlock();
    if (pcm) {
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
    }
}
#else
// Built without ALSA, the player has no device: each tone is taken and
// dropped as it comes.
void TonePlayer::run() {
    const ThreadCrashStack crash_stack;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        queue_.clear();
        queued_ms_ = 0;
        silence_ = false;
    }
}
#endif

}  // namespace patrulha::platform
