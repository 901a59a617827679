// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The runtime services as the game calls them: formats, random numbers,
// the clock, strcpy.
#include <set>

#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using ServicesTest = ConsoleTest;

TEST_F(ServicesTest, PrintfFormatsTheGamesConversionsIntoTheConsole) {
    gotoxy(60, 12);
    printf("%i  ", 1234);
    gotoxy(40, 40);
    printf("Op%c%co Inv%clida !!!", 135, 198, 160);
    gotoxy(60, 6);
    char nivel[30];
    strcpy(nivel, "SECUNDARIO");
    printf("%s", nivel);
    gotoxy(1, 1);
    printf("%c", 0);
    EXPECT_EQ(vb.row_codes(12, 60, 65), "1234  ");
    EXPECT_EQ(vb.row_text(40), std::string(39, ' ') + "Opção Inválida !!!");
    EXPECT_EQ(vb.row_text(6), std::string(59, ' ') + "SECUNDARIO");
    EXPECT_EQ(code_at(1, 1), 0) << "%c with 0 writes one cell";
    EXPECT_EQ(code_at(2, 1), ' ');
}

TEST_F(ServicesTest, LongTextsAreWrittenWhole) {
    const std::string text(700, 'q');
    EXPECT_EQ(printf("%s!", text.c_str()), 701);
    EXPECT_EQ(vb.row_text(9), std::string(60, 'q') + "!");
}

TEST_F(ServicesTest, RandStaysInRangeAndRepeatsForASeed) {
    srand(7);
    std::vector<int> first;
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        first.push_back(rand());
        ASSERT_GE(first.back(), 0);
        ASSERT_LE(first.back(), 32767);
        seen.insert(first.back() % 6);
    }
    EXPECT_EQ(seen.size(), 6u);
    srand(7);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(rand(), first[static_cast<std::size_t>(i)]);
}

TEST_F(ServicesTest, ForcedResultsComeFirstThenTheSteadyValue) {
    vb.force_rand({5, 32767, 0}).steady_rand(3);
    EXPECT_EQ(rand(), 5);
    EXPECT_EQ(rand(), 32767);
    EXPECT_EQ(rand(), 0);
    EXPECT_EQ(rand(), 3);
    EXPECT_EQ(vb.rand_draws(), 4u);
}

TEST_F(ServicesTest, TimeFollowsTheVirtualClock) {
    std::time_t stored = 0;
    const std::time_t t0 = time(&stored);
    EXPECT_EQ(stored, t0);
    _sleep(2000);
    EXPECT_EQ(time(nullptr), t0 + 2);
}

}  // namespace
}  // namespace patrulha::testing

namespace patrulha::testing {
namespace {

// A backend whose key wait ends once without a key, as a terminal's does
// when woken for a redraw, before the key comes.
class WakingBackend final : public platform::Backend {
public:
    void present(const platform::ConsoleBuffer&) override {}
    std::int64_t now_us() override { return 0; }
    void sleep_us(std::int64_t) override {}
    void read_keys(std::deque<int>& keys, bool wait) override {
        if (wait && ++waits_ == 2) keys.push_back('k');
    }
    void beep(unsigned, unsigned) override {}
    void bell() override {}
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override {}
    std::time_t wall_time() override { return 0; }
    int waits() const { return waits_; }

private:
    int waits_ = 0;
};

TEST(Services, GetchWaitsOnWhenAWaitEndsWithoutAKey) {
    WakingBackend backend;
    platform::Runtime::instance().attach(backend);
    const int code = platform::Runtime::instance().getch();
    platform::Runtime::instance().detach();
    EXPECT_EQ(code, 'k');
    EXPECT_EQ(backend.waits(), 2);
}

}  // namespace
}  // namespace patrulha::testing
