// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/sound.h"

#if PATRULHA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#include <pthread.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <system_error>

#include "platform/terminal/signals.h"

namespace patrulha::platform {

// ==== Where the tones go ====

SoundChoice settle_sound(SoundChoice asked,
                         const std::function<const char*(const char*)>& environment) {
    if (asked != SoundChoice::automatic) return asked;
    for (const char* name : {"SSH_CONNECTION", "SSH_TTY"}) {
        const char* value = environment(name);
        if (value && *value) return SoundChoice::off;
    }
    return SoundChoice::device;
}

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
    try {
        thread_ = std::thread([shared = shared_] {
            run(*shared);
            std::lock_guard lock(shared->mutex);
            shared->done = true;
            shared->ended.notify_all();
        });
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "patrulha: no sound: the sound thread cannot start (%s)\n",
                     error.what());
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (thread_.joinable()) pthread_setname_np(thread_.native_handle(), "patrulha-sound");
}

TonePlayer::~TonePlayer() {
    if (!thread_.joinable()) return;
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->wake.notify_all();
    const bool ended = shared_->ended.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                               [this] { return shared_->done; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach();  // stuck in the device: it ends with the process
}

void TonePlayer::play(unsigned frequency, unsigned duration_ms) {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(shared_->mutex);
        // In 64 bits: a huge tone must not wrap the sum round to a small one.
        if (shared_->queued_ms + duration_ms > kMaxQueuedMs && !shared_->queue.empty()) return;
        shared_->queue.push_back({frequency, duration_ms});
        shared_->queued_ms += duration_ms;
    }
    shared_->wake.notify_all();
}

void TonePlayer::silence() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->queue.clear();
        shared_->queued_ms = 0;
        shared_->silence = true;
    }
    shared_->wake.notify_all();
}

bool TonePlayer::device_open() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->device_open;
}

bool TonePlayer::idle() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->queue.empty() && !shared_->busy;
}

#if PATRULHA_HAVE_ALSA
void TonePlayer::run(Shared& shared) {
    const ThreadCrashStack crash_stack;
    snd_pcm_t* pcm = nullptr;
    // Opened at once, while the title shows, rather than at the first tone
    // of a game: loading the sound library's configuration takes a few
    // milliseconds of processor time. Without blocking: a device held by
    // another program must not hang the thread.
    snd_lib_error_set_handler(quiet_alsa);
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0 ||
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                           kToneSampleRate, 1, kLatencyUs) < 0) {
        if (pcm) snd_pcm_close(pcm);
        pcm = nullptr;
    }
    std::unique_lock lock(shared.mutex);
    shared.device_open = pcm != nullptr;
    for (;;) {
        shared.wake.wait(lock, [&] { return shared.stop || !shared.queue.empty(); });
        if (shared.stop) break;
        const Tone tone = shared.queue.front();
        shared.queue.pop_front();
        shared.queued_ms -= tone.duration_ms;
        shared.silence = false;
        shared.busy = true;
        lock.unlock();

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
                    std::lock_guard check(shared.mutex);
                    if (shared.stop || shared.silence) break;
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
        shared.busy = false;
        if (shared.silence && pcm) {
            snd_pcm_drop(pcm);
            snd_pcm_prepare(pcm);
        }
        shared.silence = false;
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
void TonePlayer::run(Shared& shared) {
    const ThreadCrashStack crash_stack;
    std::unique_lock lock(shared.mutex);
    for (;;) {
        shared.wake.wait(lock, [&] { return shared.stop || !shared.queue.empty(); });
        if (shared.stop) return;
        shared.queue.clear();
        shared.queued_ms = 0;
        shared.silence = false;
    }
}
#endif

}  // namespace patrulha::platform
