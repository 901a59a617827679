// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Which terminals get the resize request, and how their answers to the size
// question are told from keys typed meanwhile.
#include "platform/terminal/window_request.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace patrulha::platform {
namespace {

TEST(WindowRequest, OnlyTerminalsThatHonourTheRequestGetIt) {
    using enum ResizeTrust;
    struct Case {
        const char* term;
        std::map<std::string, std::string> env;
        ResizeTrust expected;
    };
    for (const Case& c : std::vector<Case>{
             {"xterm", {{"XTERM_VERSION", "XTerm(379)"}}, AfterAsking},
             {"xterm-256color", {{"VTE_VERSION", "7600"}}, Send},
             {"xterm-256color", {{"KONSOLE_VERSION", "230800"}}, Never},
             {"xterm-256color", {}, Never},
             {"xterm", {{"COLORTERM", "truecolor"}}, Never},
             // Started from another terminal, a terminal inherits its variables.
             {"xterm", {{"XTERM_VERSION", "XTerm(379)"}, {"VTE_VERSION", "7600"}}, AfterAsking},
             {"xterm", {{"XTERM_VERSION", "XTerm(379)"}, {"KONSOLE_VERSION", "230800"}}, Never},
             {"xterm-256color", {{"VTE_VERSION", "7600"}, {"KONSOLE_VERSION", "230800"}}, Never},
             // A multiplexer between: never.
             {"tmux-256color", {{"VTE_VERSION", "7600"}, {"TMUX", "/tmp/t,1,0"}}, Never},
             {"xterm-256color", {{"VTE_VERSION", "7600"}, {"TMUX", "/tmp/t,1,0"}}, Never},
             {"screen", {{"VTE_VERSION", "7600"}, {"STY", "1.pts-0"}}, Never},
             {"screen-256color", {{"VTE_VERSION", "7600"}}, Never},
             {"xterm-256color", {{"VTE_VERSION", ""}}, Never},
         }) {
        const auto env = [&](const char* name) -> const char* {
            const auto at = c.env.find(name);
            return at == c.env.end() ? nullptr : at->second.c_str();
        };
        std::string described = c.term;
        for (const auto& [name, value] : c.env) described += " " + name + "=" + value;
        EXPECT_EQ(resize_trust(c.term, env), c.expected) << described;
    }
    EXPECT_EQ(resize_request(42, 80), "\033[8;42;80t");
}

TEST(WindowRequest, AnswersAreToldFromKeysTypedMeanwhile) {
    struct Case {
        std::string bytes;
        bool size, attributes;
        std::string rest;
    };
    for (const Case& c : std::vector<Case>{
             {"\033[8;20;60t\033[?64;1;2c", true, true, ""},
             {"\033[?1;2c", false, true, ""},
             {"\033[8;20;60t", true, false, ""},
             {"z\033[8;20;60t\033[A\033[?62c1", true, true, "z\033[A1"},
             {"\033[8;20", false, false, "\033[8;20"},  // the rest still to come
             {"\033[8;x;60t\033[c", false, false, "\033[8;x;60t\033[c"},
             {"", false, false, ""},
         }) {
        const TerminalAnswers answers = sort_answers(c.bytes);
        EXPECT_EQ(answers.size_reported, c.size) << testing::PrintToString(c.bytes);
        EXPECT_EQ(answers.attributes_came, c.attributes) << testing::PrintToString(c.bytes);
        EXPECT_EQ(answers.rest, c.rest) << testing::PrintToString(c.bytes);
    }
}

}  // namespace
}  // namespace patrulha::platform
