// The terminal backend's one wait: for the first of its few descriptors to
// be ready, or for a time to pass. On Linux through epoll, which keeps the
// set between waits, so that a wait costs its wake-up and little more
// (poll looks each descriptor up and asks it for its state at every call,
// a frame's largest cost in the kernel after the wake-up itself); through
// ppoll or poll elsewhere, or where epoll cannot take a descriptor.
#pragma once

#include <array>
#include <cstdint>

namespace patrulha::platform {

class Waiter {
public:
    enum Slot { kSignals, kInput, kOutput, kSlots };
    using Ready = std::array<short, kSlots>;  // poll's revents, a slot each

    Waiter();
    ~Waiter();
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;

    // Watches `fd` in `slot` for `events` (POLLIN or POLLOUT) from the next
    // wait on; -1 watches nothing there. Costs nothing when unchanged.
    void watch(Slot slot, int fd, short events);

    // Waits until a watched descriptor is ready or `timeout_us` has passed
    // (-1: no limit), to the microsecond where the system can; what each
    // slot got goes into `ready`. How many slots are ready, 0 when the time
    // ran out, -1 with errno set (EINTR: a signal came).
    int wait(std::int64_t timeout_us, Ready& ready);

private:
    void use_poll();

    std::array<int, kSlots> fds_{-1, -1, -1};
    std::array<short, kSlots> events_{};
    int epoll_fd_ = -1;
};

}  // namespace patrulha::platform
