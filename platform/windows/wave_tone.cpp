// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/windows/wave_tone.h"

#include "platform/tone.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <list>

namespace patrulha::platform {

namespace {

struct Queued {
    std::vector<std::int16_t> samples;
    WAVEHDR header{};
    unsigned duration_ms = 0;
};

constexpr unsigned kMostWaitingMs = 500;

}  // namespace

struct WaveTone::Device {
    HWAVEOUT handle = nullptr;
    // The device reads each tone's samples and header until it is done with
    // them: a list, so that neither moves.
    std::list<Queued> queued;

    // Gives back the tones the device has finished.
    void reap() {
        for (auto it = queued.begin(); it != queued.end();) {
            if ((it->header.dwFlags & WHDR_DONE) == 0) {
                ++it;
                continue;
            }
            waveOutUnprepareHeader(handle, &it->header, sizeof(WAVEHDR));
            it = queued.erase(it);
        }
    }
};

WaveTone::WaveTone() : device_(std::make_unique<Device>()) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kWaveSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kWaveSampleRate * 2;
    if (waveOutOpen(&device_->handle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) !=
        MMSYSERR_NOERROR)
        device_->handle = nullptr;
}

WaveTone::~WaveTone() {
    if (!device_->handle) return;
    silence();
    waveOutClose(device_->handle);
}

bool WaveTone::device_open() const {
    return device_->handle != nullptr;
}

void WaveTone::play(unsigned frequency, unsigned duration_ms) {
    if (!device_->handle || duration_ms == 0) return;
    device_->reap();
    unsigned waiting = 0;
    for (const Queued& q : device_->queued) waiting += q.duration_ms;
    if (waiting > kMostWaitingMs) return;

    Queued& tone = device_->queued.emplace_back();
    tone.samples = render_tone(frequency, duration_ms, kWaveSampleRate);
    tone.duration_ms = duration_ms;
    tone.header.lpData = reinterpret_cast<LPSTR>(tone.samples.data());
    tone.header.dwBufferLength = static_cast<DWORD>(tone.samples.size() * sizeof(std::int16_t));
    if (tone.samples.empty() ||
        waveOutPrepareHeader(device_->handle, &tone.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        device_->queued.pop_back();
        return;
    }
    if (waveOutWrite(device_->handle, &tone.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(device_->handle, &tone.header, sizeof(WAVEHDR));
        device_->queued.pop_back();
    }
}

void WaveTone::silence() {
    if (!device_->handle) return;
    // Marks every queued tone done, so that all can be given back.
    waveOutReset(device_->handle);
    device_->reap();
}

}  // namespace patrulha::platform
