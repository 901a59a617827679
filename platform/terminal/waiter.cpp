#include "platform/terminal/waiter.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#if defined(__linux__)
#include <sys/epoll.h>
#endif

namespace patrulha::platform {

namespace {

#if defined(__linux__)
std::uint32_t epoll_events(short events) {
    return (events & POLLIN ? EPOLLIN : 0u) | (events & POLLOUT ? EPOLLOUT : 0u);
}

short poll_events(std::uint32_t events) {
    short r = 0;
    if (events & EPOLLIN) r |= POLLIN;
    if (events & EPOLLOUT) r |= POLLOUT;
    if (events & EPOLLHUP) r |= POLLHUP;
    if (events & EPOLLERR) r |= POLLERR;
    return r;
}
#endif

}  // namespace

Waiter::Waiter() {
#if defined(__linux__)
    epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
#endif
}

Waiter::~Waiter() {
    if (epoll_fd_ >= 0) ::close(epoll_fd_);
}

// From here on every wait polls the whole set.
void Waiter::use_poll() {
    if (epoll_fd_ >= 0) ::close(epoll_fd_);
    epoll_fd_ = -1;
}

void Waiter::watch(Slot slot, int fd, short events) {
    if (fd < 0) events = 0;
    if (fds_[slot] == fd && events_[slot] == events) return;
#if defined(__linux__)
    if (epoll_fd_ >= 0) {
        epoll_event change{};
        change.events = epoll_events(events);
        change.data.u32 = static_cast<std::uint32_t>(slot);
        int failed = 0;
        if (fds_[slot] >= 0 && fds_[slot] != fd)
            failed |= ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, fds_[slot], nullptr);
        if (fd >= 0)
            failed |= ::epoll_ctl(epoll_fd_, fds_[slot] == fd ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd,
                                  &change);
        // A descriptor epoll cannot watch (a file, say), or one closed
        // behind its back: poll can.
        if (failed) use_poll();
    }
#endif
    fds_[slot] = fd;
    events_[slot] = events;
}

int Waiter::wait(std::int64_t timeout_us, Ready& ready) {
    ready.fill(0);
    [[maybe_unused]] const timespec timeout{static_cast<time_t>(timeout_us / 1'000'000),
                           static_cast<long>(timeout_us % 1'000'000) * 1000};
#if defined(__linux__) && defined(__GLIBC__) && \
    (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35))
    if (epoll_fd_ >= 0) {
        epoll_event events[kSlots];
        const int n = ::epoll_pwait2(epoll_fd_, events, kSlots, timeout_us < 0 ? nullptr : &timeout,
                                     nullptr);
        if (n >= 0 || errno != ENOSYS) {
            for (int i = 0; i < n; ++i) ready[events[i].data.u32] = poll_events(events[i].events);
            return n;
        }
        // A kernel older than epoll_pwait2 (5.11).
        use_poll();
    }
#else
    use_poll();
#endif
    pollfd fds[kSlots];
    for (int i = 0; i < kSlots; ++i) fds[i] = {fds_[i], events_[i], 0};
#if PATRULHA_HAVE_PPOLL
    const int n = ::ppoll(fds, kSlots, timeout_us < 0 ? nullptr : &timeout, nullptr);
#else
    // poll counts whole milliseconds: rounded up, so that the wait never
    // spins; the pacing clock takes an over-sleep back at the next pacing
    // point.
    const int n =
        ::poll(fds, kSlots, timeout_us < 0 ? -1 : static_cast<int>((timeout_us + 999) / 1000));
#endif
    for (int i = 0; i < kSlots; ++i) ready[i] = fds[i].revents;
    return n;
}

}  // namespace patrulha::platform
