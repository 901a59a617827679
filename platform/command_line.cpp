// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/command_line.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#ifndef PATRULHA_VERSION
#define PATRULHA_VERSION "0.0.0"
#endif

namespace patrulha::platform {

namespace {

constexpr const char* kKeys =
    "\n"
    "Patrulha Estelar, a shooting game for the text terminal (80 x 42 or larger).\n"
    "\n"
    "Menu:  1-4 difficulty   5 options   Esc quit\n"
    "Game:  arrows move   X re-centre   Z fire   A special bomb\n"
    "       S pause   C back to the menu   D quit\n"
#ifdef _WIN32
    "Ctrl-C quits at any time.\n";
#else
    "Ctrl-Z suspends; Ctrl-C quits at any time.\n";
#endif

// The usage's synopsis for the options this build takes.
std::string synopsis(unsigned accepted) {
    std::string text = "usage: patrulha [--help | --version]\n";
    if (accepted == 0) return text;
    text += "       patrulha";
    if (accepted & kRecordAndReplay) text += " [--record FILE | --replay FILE]";
    if (accepted & kCast) text += " [--cast FILE]";
    if (accepted & kSound) text += " [--sound=auto|device|bell|off]";
    return text + "\n";
}

std::string options_help(unsigned accepted) {
    std::string text;
    if (accepted & kRecordAndReplay)
        text +=
            "  --record FILE   write a replay of the games played to FILE\n"
            "  --replay FILE   play the game recorded in FILE back (Esc ends it)\n";
    if (accepted & kCast)
        text +=
            "  --cast FILE     write what the terminal is sent to FILE, as an asciicast;\n"
            "                  with --replay, at once and without a terminal\n";
    if (accepted & kSound)
        text +=
            "  --sound=MODE    auto (the sound device, silent over SSH), device, bell\n"
            "                  (the terminal's bell) or off\n";
    return text.empty() ? text : "\n" + text;
}

// Writes `text` to standard output and makes sure it got there: a usage
// that could not be written is a failure, not a success.
int answer(const std::string& text) {
    const bool written = std::fputs(text.c_str(), stdout) >= 0;
    const bool flushed = std::fflush(stdout) == 0;
    return written && flushed && !std::ferror(stdout) ? 0 : 1;
}

// One line saying what is wrong, then the usage's synopsis: status 2.
int refuse(const std::string& why, unsigned accepted) {
    std::fprintf(stderr, "patrulha: %s\n", why.c_str());
    std::fputs(synopsis(accepted).c_str(), stderr);
    return 2;
}

struct FileOption {
    const char* name;
    unsigned set;
    std::string Options::*field;
};

constexpr FileOption kFileOptions[] = {
    {"--record", kRecordAndReplay, &Options::record},
    {"--replay", kRecordAndReplay, &Options::replay},
    {"--cast", kCast, &Options::cast},
};

bool parse_sound(std::string_view value, SoundChoice& sound) {
    constexpr std::pair<std::string_view, SoundChoice> kChoices[] = {
        {"auto", SoundChoice::automatic},
        {"device", SoundChoice::device},
        {"bell", SoundChoice::bell},
        {"off", SoundChoice::off}};
    for (const auto& [word, choice] : kChoices)
        if (value == word) {
            sound = choice;
            return true;
        }
    return false;
}

}  // namespace

int answer_command_line(int argc, char** argv, Options& options, unsigned accepted) {
    options = Options{};
    if (argc <= 1) return -1;
    const std::string_view first = argv[1];
    if (first == "--help" || first == "--version") {
        // The one argument it takes is right; anything after it is not.
        if (argc == 2) {
            if (first == "--help")
                return answer(synopsis(accepted) + kKeys + options_help(accepted));
            return answer("patrulha " PATRULHA_VERSION "\n");
        }
        return refuse("unknown argument '" + std::string(argv[2]) + "'", accepted);
    }

    bool sound_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const FileOption* file = nullptr;
        for (const FileOption& candidate : kFileOptions)
            if (name == candidate.name && (accepted & candidate.set)) file = &candidate;
        const bool sound = name == "--sound" && (accepted & kSound);
        if (!file && !sound)
            return refuse("unknown argument '" + std::string(argument) + "'", accepted);

        std::string value;
        if (equals != std::string_view::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return refuse(std::string(name) + (file ? " needs a file name" : " needs a value"),
                          accepted);
        }
        if (sound) {
            if (sound_given) return refuse("--sound given twice", accepted);
            sound_given = true;
            if (!parse_sound(value, options.sound))
                return refuse("unknown sound '" + value + "' (auto, device, bell or off)",
                              accepted);
            continue;
        }
        std::string& field = options.*(file->field);
        if (!field.empty()) return refuse(std::string(name) + " given twice", accepted);
        if (value.empty()) return refuse(std::string(name) + " needs a file name", accepted);
        field = value;
    }
    if (!options.record.empty() && !options.replay.empty())
        return refuse("--record and --replay cannot go together", accepted);
    for (const std::string* other : {&options.record, &options.replay})
        if (!options.cast.empty() && options.cast == *other)
            return refuse("--cast names the same file as " +
                              std::string(other == &options.record ? "--record" : "--replay"),
                          accepted);
    return -1;
}

}  // namespace patrulha::platform
