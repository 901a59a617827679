// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
//
// The game served by the real sshd as packaging/ssh/ sets it up, played with
// the real ssh client in tmux. scripts/check-ssh.sh starts the server and
// says where it is: PATRULHA_SSH_CONFIG (the client's configuration, with the
// hosts "game" and "game-slow", the latter through a link that delays every
// byte 150 ms each way), PATRULHA_SSHD_PID, and PATRULHA_SSH_SOUND, the file
// the sessions' sound device would write to once opened.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/terminal_e2e_support.h"

namespace patrulha::testing {
namespace {

std::string from_environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

const std::string kConfig = from_environment("PATRULHA_SSH_CONFIG");
const int kSshd = std::atoi(from_environment("PATRULHA_SSHD_PID").c_str());
const std::string kSoundFile = from_environment("PATRULHA_SSH_SOUND");

const std::string kShip = "\u2663";
constexpr int kBrightWhite = 15;
const std::string kMenu = "5 - PERSONALIZAR";

// The ssh client with the test's configuration, `options` and `host`.
std::string ssh(const std::string& options, const std::string& host = "game") {
    return "ssh -F " + kConfig + " " + options + " " + host;
}

bool ship_at(const TmuxSession& s, int x, int y) {
    const ShownCell c = cell_at(parse_capture(s.capture(true)), x, y);
    return c.glyph == kShip && c.fg == kBrightWhite;
}

// The game's process on the server, or -1.
int game_on_server() {
    return find_descendant(kSshd, "patrulha");
}

// A process's environment, one NAME=value a line.
std::string environment_of(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char& c : text)
        if (c == '\0') c = '\n';
    return text;
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A listening socket on a free port of 127.0.0.1, closed with the object.
struct Listener {
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
    // Whether a connection comes within `wait`.
    bool connected_within(std::chrono::milliseconds wait) const {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, static_cast<int>(wait.count())) > 0;
    }
    int fd = -1;
    int port = 0;
};

// Connects to 127.0.0.1:`port`; the socket, or -1.
int connect_to(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

class SshE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(kConfig.empty()) << "run by scripts/check-ssh.sh (./check --ssh)";
        ASSERT_GT(kSshd, 0);
    }
    // However a test went, no session opened the server's sound device:
    // the sessions are over SSH, where the game plays silent.
    void TearDown() override {
        EXPECT_FALSE(file_exists(kSoundFile)) << "a session opened the server's sound device";
    }
};

TEST_F(SshE2E, AShellAskedForGetsTheMenuAndAGamePlaysByKeys) {
    // Only the locale of the client's environment reaches the game.
    TmuxSession s(ssh("-t -o SendEnv=PATRULHA_LEAK", "game /bin/sh -i"), {"PATRULHA_LEAK=1"});
    ASSERT_TRUE(s.wait_for_text(kMenu)) << s.capture();
    const int game = game_on_server();
    ASSERT_GT(game, 0);
    const std::string environment = environment_of(game);
    EXPECT_NE(environment.find("TERM=tmux-256color\n"), std::string::npos) << environment;
    EXPECT_NE(environment.find("LANG=C.UTF-8\n"), std::string::npos) << environment;
    EXPECT_EQ(environment.find("PATRULHA_LEAK"), std::string::npos) << environment;
    // The session's limits, from packaging/ssh/patrulha-limits.conf.
    std::ifstream limits_file("/proc/" + std::to_string(game) + "/limits");
    const std::string limits((std::istreambuf_iterator<char>(limits_file)),
                             std::istreambuf_iterator<char>());
    for (const char* limit : {"Max cpu time              1200                 1200",
                              "Max address space         268435456            268435456"})
        EXPECT_NE(limits.find(limit), std::string::npos) << limit << "\n" << limits;

    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 23, 39); }))
        << s.capture();
    s.send_keys({"Left"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 22, 39); }))
        << s.capture();
    // A shot, with its tone: not on the server's loudspeaker (TearDown).
    s.send_keys({"z"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        const auto rows = parse_capture(s.capture(true));
        for (int y = 2; y < 39; ++y)
            if (cell_at(rows, 22, y).glyph == "\u2302") return true;
        return false;
    })) << s.capture();
    s.send_keys({"d"});
    ASSERT_TRUE(s.wait_for_end()) << s.capture();
    EXPECT_TRUE(wait_until_gone(game));
}

TEST_F(SshE2E, ThePanesSizeReachesTheGameAndItsChangesRedrawIt) {
    TmuxSession s(ssh("-t"), {}, 70, 30);
    const auto notice_of = [](int columns, int rows) {
        return [=](const std::string& screen) {
            return screen.find("precisa: 80 x 42") != std::string::npos &&
                   screen.find("atual: " + std::to_string(columns) + " x " +
                               std::to_string(rows)) != std::string::npos;
        };
    };
    ASSERT_TRUE(s.wait_until(notice_of(70, 30))) << s.capture();
    const auto resize = [&](int columns, int rows) {
        s.tmux({"resize-window", "-t", s.target(), "-x", std::to_string(columns), "-y",
                std::to_string(rows)});
    };
    resize(80, 42);
    ASSERT_TRUE(s.wait_for_text(kMenu)) << s.capture();
    resize(80, 30);
    ASSERT_TRUE(s.wait_until(notice_of(80, 30))) << s.capture();
    resize(100, 50);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return screen.find(kMenu) != std::string::npos &&
               screen.find("precisa:") == std::string::npos;
    })) << s.capture();
    s.send_keys({"Escape"});
    EXPECT_TRUE(s.wait_for_end()) << s.capture();
}

TEST_F(SshE2E, AClientKilledMidGameLeavesNothingOnTheServerWhichServesOn) {
    {
        TmuxSession s(ssh("-t"));
        ASSERT_TRUE(s.wait_for_text(kMenu)) << s.capture();
        s.send_keys({"1"});
        ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 23, 39); }))
            << s.capture();
        // The game, sshd's process for the session, and sshd's privileged
        // half of it: every process between the game and the server.
        std::vector<int> session;
        for (int pid = game_on_server(), hops = 0; pid > 1 && pid != kSshd && hops < 4; ++hops) {
            session.push_back(pid);
            std::string name;
            if (!process_info(pid, pid, name)) break;
        }
        ASSERT_GE(session.size(), 2u);
        const int client = wait_for_process(s, "ssh");
        ASSERT_GT(client, 0);
        ::kill(client, SIGKILL);
        for (const int pid : session)
            EXPECT_TRUE(wait_until_gone(pid, std::chrono::seconds(5))) << "process " << pid;
    }
    TmuxSession again(ssh("-t"));
    EXPECT_TRUE(again.wait_for_text(kMenu)) << again.capture();
}

TEST_F(SshE2E, ACommandAForwardAndTheAgentGetTheGameOrARefusal) {
    // A command: the game instead, which without a terminal refuses.
    const std::string listing = run_capture(ssh("-T", "game ls -a") + " 2>&1; echo status=$?");
    EXPECT_NE(listing.find("patrulha: needs an interactive terminal"), std::string::npos)
        << listing;
    EXPECT_EQ(listing.find("not-for-players"), std::string::npos) << listing;
    EXPECT_NE(listing.find("status=1"), std::string::npos) << listing;

    // A port forwarded from the client's side: the server refuses each
    // connection through it, and the target never hears of one.
    const Listener target;
    const Listener free_port;
    const int local = free_port.port;
    ::close(free_port.fd);
    {
        TmuxSession s(
            ssh("-N -L " + std::to_string(local) + ":127.0.0.1:" + std::to_string(target.port)));
        int through = -1;
        ASSERT_TRUE(wait_until([&] { return (through = connect_to(local)) >= 0; }));
        char byte;
        pollfd p{through, POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 10'000), 1);
        EXPECT_EQ(::read(through, &byte, 1), 0) << "the forwarded connection is closed";
        ::close(through);
        EXPECT_FALSE(target.connected_within(std::chrono::milliseconds(500)));
        EXPECT_TRUE(s.wait_for_text("administratively prohibited")) << s.capture();
        EXPECT_LT(game_on_server(), 0) << "no game without a session";
    }
    // One from the server's side is refused outright.
    const std::string remote = run_capture(
        ssh("-o ExitOnForwardFailure=yes -N -R 0:127.0.0.1:" + std::to_string(target.port)) +
        " 2>&1; echo status=$?");
    EXPECT_NE(remote.find("forwarding failed"), std::string::npos) << remote;
    EXPECT_NE(remote.find("status=255"), std::string::npos) << remote;

    // The agent asked for: the game, with no agent's socket to reach.
    const std::string agent = from_environment("SSH_AUTH_SOCK");
    ASSERT_FALSE(agent.empty()) << "an agent of the test's";
    TmuxSession s(ssh("-A -t"), {"SSH_AUTH_SOCK=" + agent});
    ASSERT_TRUE(s.wait_for_text(kMenu)) << s.capture();
    const int game = game_on_server();
    ASSERT_GT(game, 0);
    EXPECT_EQ(environment_of(game).find("SSH_AUTH_SOCK"), std::string::npos);
    s.send_keys({"Escape"});
    EXPECT_TRUE(s.wait_for_end()) << s.capture();
}

TEST_F(SshE2E, OverALinkOf150MsArrowsSteerAndThePictureKeepsUpWithTheGame) {
    TmuxSession s(ssh("-t", "game-slow"));
    ASSERT_TRUE(s.wait_for_text(kMenu, std::chrono::seconds(30))) << s.capture();
    // Arrows at the menu are keys it does not take, each its two codes:
    // none is taken for the Esc that ends the game. The last key, 'x', leaves
    // the menu's message standing.
    s.send_keys({"Up", "Down", "Left", "Right", "x"});
    ASSERT_TRUE(s.wait_for_text("lida !!!")) << s.capture();
    EXPECT_GT(game_on_server(), 0);
    // A key takes the message away, and is no choice.
    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return screen.find("lida !!!") == std::string::npos;
    })) << s.capture();

    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 23, 39); }))
        << s.capture();
    // Each step shows within about a second, over 300 ms of the link's
    // delay there and back, however long the game has been drawing.
    for (int x = 22; x >= 18; --x) {
        const auto sent = std::chrono::steady_clock::now();
        s.send_keys({"Left"});
        ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, x, 39); }))
            << s.capture();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - sent);
        std::printf("the ship's step to column %d showed after %lld ms\n", x,
                    static_cast<long long>(took.count()));
        EXPECT_LT(took, std::chrono::milliseconds(1500));
    }
    s.send_keys({"d"});
    EXPECT_TRUE(s.wait_for_end(std::chrono::seconds(30))) << s.capture();
}

}  // namespace
}  // namespace patrulha::testing
