// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A child process on a pseudo-terminal of its own: the one way the tests run
// something on a terminal they play themselves. The test types into the
// terminal, reads what the child draws, resizes the window, and reads a
// report pipe the child may write to. The child never outlives the test: it
// is killed when the helper goes, and dies with the test's process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/wait.h"

namespace patrulha::testing {

class PtyChild {
public:
    // Runs `body` in a child process whose standard input, output and error
    // are a fresh terminal of `columns` x `rows`; `body` gets the write end
    // of the report pipe. The child exits with status 0 if `body` returns.
    PtyChild(const std::function<void(int report_fd)>& body, int columns = 80, int rows = 42);

    // A body that runs the program at `path` with `arguments`, in the
    // test's environment changed by `environment`: "NAME=value" sets a
    // variable, "-NAME" removes it.
    static std::function<void(int)> program(const std::string& path,
                                            std::vector<std::string> environment,
                                            std::vector<std::string> arguments = {});

    ~PtyChild();
    PtyChild(const PtyChild&) = delete;
    PtyChild& operator=(const PtyChild&) = delete;

    // Types `bytes` into the terminal, as one burst.
    void type(const std::string& bytes);

    // Whether the child has read everything typed so far.
    bool input_taken() const;

    // Changes the window's size; the child gets SIGWINCH.
    void resize(int columns, int rows);

    // Reads what has arrived, waiting up to `wait` for something.
    void pump(std::chrono::milliseconds wait = std::chrono::milliseconds(10));

    // From now on reads no faster than `bytes_per_second` (0: as fast as
    // it comes), as a terminal at the end of a slow link would. With
    // `answers`, it answers each status question (CSI 5 n) it reads, as
    // terminals do, once it has read it.
    void read_slowly(int bytes_per_second, bool answers);

    // Waits until `ready` holds, reading all the while; whether it held.
    bool wait_until(const std::function<bool()>& ready,
                    std::chrono::milliseconds deadline = kPatience);

    // Lets `time` pass, reading all the while. For the length of a stimulus
    // only, never to wait for a result.
    void pause(std::chrono::milliseconds time);

    // Waits for the child to end; whether it did. status() is then its wait
    // status.
    bool wait_for_exit(std::chrono::milliseconds deadline = kPatience);
    bool exited() const { return pid_ < 0; }
    int status() const { return status_; }

    // Everything the child has written to the terminal, and to the report
    // pipe; whether the report pipe is closed.
    const std::string& output() const { return output_; }
    const std::string& report() const { return report_; }
    bool report_closed() const { return report_closed_; }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int master_ = -1;
    int slave_ = -1;  // the parent's own descriptor, to see what is left unread
    int report_fd_ = -1;
    std::string output_;
    std::string report_;
    bool report_closed_ = false;
    int rate_ = 0;
    bool answers_ = false;
    double allowance_ = 0;  // bytes that may be read by now, at rate_
    std::chrono::steady_clock::time_point allowed_at_;
};

}  // namespace patrulha::testing
