// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game's tones: generated here, played through ALSA on a thread of
// their own so that the game never waits on the sound device. Where no
// device opens, or the game was built without ALSA, tones are silent; the
// game's timing is the same either way, since the caller waits out each
// tone's length on its own clock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/tone.h"

namespace patrulha::platform {

// Where the tones go once `asked` is settled: device, bell or off, never
// automatic. Automatic is this machine's sound device where the player
// sits at it, and silence where the session came over SSH (the
// environment, read through `environment`, has SSH_CONNECTION or SSH_TTY):
// the device is then someone else's loudspeaker.
SoundChoice settle_sound(SoundChoice asked,
                         const std::function<const char*(const char*)>& environment);

class TonePlayer {
public:
    // Starts the sound thread; the device is opened there, at once, so
    // that a slow or missing device never delays the game. Where
    // the thread cannot start, the game is silent, and says so in one line
    // on standard error (before the terminal is taken over, so that the
    // line is still there once the game has ended).
    TonePlayer();
    // Stops at once, dropping what is still to play. A device that does
    // not answer (its open or write never returns) holds this back no
    // longer than kStopWaitMs: the sound thread is then left to end with
    // the process.
    ~TonePlayer();
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;

    static constexpr unsigned kStopWaitMs = 300;

    // Queues a tone and returns at once. Tones play one after another;
    // when more than half a second is already waiting (the device plays
    // slower than the game asks), the new tone is dropped.
    void play(unsigned frequency, unsigned duration_ms);

    // Drops what is waiting and what is playing (the game is suspended).
    void silence();

    // Whether a sound device has opened. False until the thread has tried.
    bool device_open() const;

    // Whether every tone queued so far has been handed to the device (or
    // dropped, where none opened).
    bool idle() const;

    // Whether the sound thread is running: false where it could not start.
    bool running() const { return thread_.joinable(); }

private:
    struct Tone {
        unsigned frequency;
        unsigned duration_ms;
    };

    // What the game's thread and the sound thread share. The sound thread
    // holds it too, so that a thread left behind at exit never reaches
    // into a player that is gone.
    struct Shared {
        mutable std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable ended;
        std::deque<Tone> queue;
        std::uint64_t queued_ms = 0;  // wide enough for any sum of two tones
        bool stop = false;
        bool silence = false;
        bool device_open = false;
        bool busy = false;  // a tone is being handed to the device
        bool done = false;  // the thread has finished
    };

    static void run(Shared& shared);

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::thread thread_;
};

}  // namespace patrulha::platform
