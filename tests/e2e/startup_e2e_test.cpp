// The real binary in a real terminal: it starts, ends on a key, and gives
// the terminal back as it found it; it refuses to run without a terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/tmux_session.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = PATRULHA_BINARY;

TEST(StartupE2E, EndsOnAKeyAndRestoresTheTerminal) {
    // The shell records the terminal settings before and after the game.
    TmuxSession s("stty -g > /tmp/patrulha-stty-$$.a; printf 'BEFORE\\n'; " + kBinary +
                  "; echo STATUS=$?; stty -g > /tmp/patrulha-stty-$$.b; "
                  "cmp -s /tmp/patrulha-stty-$$.a /tmp/patrulha-stty-$$.b && echo SAME-STTY; "
                  "rm -f /tmp/patrulha-stty-$$.*");
    ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
    s.send_keys({"Escape"});  // ESC at the menu ends the program
    ASSERT_TRUE(s.wait_for_text("SAME-STTY")) << s.capture();
    EXPECT_FALSE(s.alternate_screen()) << "back on the normal screen";
    EXPECT_NE(s.capture().find("STATUS=0"), std::string::npos);
}

TEST(StartupE2E, WithoutATerminalItSaysSoAndExitsWithOne) {
    const std::string result =
        run_capture("bash -c '" + kBinary + " </dev/null >/dev/null 2>/tmp/patrulha-err.$$; echo $?; cat /tmp/patrulha-err.$$; rm -f /tmp/patrulha-err.$$'");
    EXPECT_EQ(result.substr(0, 2), "1\n");
    EXPECT_NE(result.find("interactive terminal"), std::string::npos) << result;
    EXPECT_EQ(std::count(result.begin(), result.end(), '\n'), 2) << "one line of message";
}

}  // namespace
}  // namespace patrulha::testing
