// The game's tones: generated here, played through ALSA on a thread of
// their own so that the game never waits on the sound device. Where no
// device opens, or the game was built without ALSA, tones are silent; the
// game's timing is the same either way, since the caller waits out each
// tone's length on its own clock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/tone.h"

namespace patrulha::platform {

class TonePlayer {
public:
    // Starts the sound thread; the device is opened there, on the first
    // tone, so that a slow or missing device never delays the game.
    TonePlayer();
    // Stops at once, dropping what is still to play.
    ~TonePlayer();
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;

    // Queues a tone and returns at once. Tones play one after another;
    // when more than half a second is already waiting (the device plays
    // slower than the game asks), the new tone is dropped.
    void play(unsigned frequency, unsigned duration_ms);

    // Drops what is waiting and what is playing (the game is suspended).
    void silence();

    // Whether a sound device has opened. False before the first tone.
    bool device_open() const;

    // Whether every tone queued so far has been handed to the device (or
    // dropped, where none opened).
    bool idle() const;

private:
    struct Tone {
        unsigned frequency;
        unsigned duration_ms;
    };

    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Tone> queue_;
    std::uint64_t queued_ms_ = 0;  // wide enough for any sum of two tones
    bool stop_ = false;
    bool silence_ = false;
    bool device_open_ = false;
    bool busy_ = false;  // a tone is being handed to the device
    std::thread thread_;
};

}  // namespace patrulha::platform
