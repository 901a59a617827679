// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The program's command line, the same parser for every build: --help and
// --version answer on standard output; the options a build takes are read
// into Options; anything else is refused with the usage.
#pragma once

#include <string>

namespace patrulha::platform {

// Where the tones go.
enum class SoundChoice {
    automatic,  // the sound device where the player sits at this machine, else silent
    device,     // this machine's sound device
    bell,       // the terminal's bell
    off,        // silent
};

// What the command line asked for. An empty file name is an option not given.
struct Options {
    std::string record;  // --record FILE: write a replay of the games played
    std::string replay;  // --replay FILE: play a recorded game back
    std::string cast;    // --cast FILE: write what the terminal is sent, as an asciicast
    SoundChoice sound = SoundChoice::automatic;  // --sound=auto|device|bell|off
};

// The options a build takes beyond --help and --version, or-ed together.
enum AcceptedOptions : unsigned {
    kRecordAndReplay = 1u << 0,  // --record, --replay
    kCast = 1u << 1,             // --cast
    kSound = 1u << 2,            // --sound
};

// Answers the command line. Returns -1 when the game is to run, with
// `options` filled in, or the status to exit with: 0 after the usage or the
// version was written, 1 when writing it failed (a full disk, a closed
// pipe), 2 for an argument the program does not take, an option given twice,
// without its value or with a bad one, or options that cannot go together
// (one line on standard error saying which, then the usage). An option's
// value comes after '=' or as the next argument.
int answer_command_line(int argc, char** argv, Options& options, unsigned accepted);

}  // namespace patrulha::platform
