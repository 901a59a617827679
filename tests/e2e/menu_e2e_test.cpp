// The whole program in a real terminal: the title screen, the options screen
// and back, the invalid-option message at (40, 40), a game with its frame
// and panel, and ESC at the menu ending the program with the terminal given
// back as it was.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/tmux_session.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = PATRULHA_BINARY;

// The 1-based column at which `text` begins in a captured row, counting
// characters, not bytes; 0 when the row does not hold it.
int column_of(const std::string& row, const std::string& text) {
    const auto at = row.find(text);
    if (at == std::string::npos) return 0;
    int column = 1;
    for (std::size_t i = 0; i < at; ++i)
        if ((static_cast<unsigned char>(row[i]) & 0xC0) != 0x80) ++column;
    return column;
}

bool shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

TEST(MenuE2E, TitleOptionsInvalidKeyAGameAndEscape) {
    TmuxSession s("stty -g > /tmp/patrulha-menu-$$.a; " + kBinary +
                  "; echo STATUS=$?; stty -g > /tmp/patrulha-menu-$$.b; "
                  "cmp -s /tmp/patrulha-menu-$$.a /tmp/patrulha-menu-$$.b && echo SAME-STTY; "
                  "rm -f /tmp/patrulha-menu-$$.*");
    ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();

    // The title screen: box, banner and the menu at their rows.
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    EXPECT_EQ(column_of(s.row(1), "╔═"), 9) << s.capture();
    EXPECT_EQ(column_of(s.row(22), "ESCOLHA NIVEL DE DIFICULDADE"), 22) << s.capture();
    EXPECT_EQ(column_of(s.row(25), "1 - FACIL"), 14);
    EXPECT_EQ(column_of(s.row(25), "ESC para sair"), 50);
    EXPECT_EQ(column_of(s.row(28), "4 - AVANÇADO"), 33);

    // '5' opens the options screen; ESC brings the title screen back.
    s.send_keys({"5"});
    ASSERT_TRUE(s.wait_for_text("OPÇOES")) << s.capture();
    EXPECT_EQ(column_of(s.row(7), "OPÇOES"), 37);
    EXPECT_EQ(column_of(s.row(17), "1- ♣     2- ♠     3- ¥"), 31);
    s.send_keys({"Escape"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows(screen, "ESCOLHA NIVEL") && !shows(screen, "OPÇOES");
    })) << s.capture();

    // An invalid key: the message at (40, 40); any key dismisses it.
    s.send_keys({"x"});
    ASSERT_TRUE(s.wait_for_text("Opção Inválida !!!")) << s.capture();
    EXPECT_EQ(column_of(s.row(40), "Opção Inválida !!!"), 40) << s.capture();
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) { return !shows(screen, "Inválida"); }))
        << s.capture();
    EXPECT_TRUE(shows(s.capture(), "ESCOLHA NIVEL")) << "the title screen stays";

    // '1' starts a game: the frame, the panel and its values.
    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_for_text("Obrigado por jogar")) << s.capture();
    ASSERT_TRUE(s.wait_for_text("FACIL")) << s.capture();
    EXPECT_EQ(column_of(s.row(1), "╔"), 1);
    EXPECT_EQ(column_of(s.row(1), "╦"), 45);
    EXPECT_EQ(column_of(s.row(42), "╩"), 45);
    EXPECT_EQ(column_of(s.row(15), "╠"), 45);
    EXPECT_EQ(column_of(s.row(3), "STATUS"), 53);
    EXPECT_EQ(column_of(s.row(6), "FACIL"), 60);
    EXPECT_EQ(column_of(s.row(8), "VIDAS:"), 50);
    EXPECT_EQ(column_of(s.row(38), "Feito pela equipe Patrulha Estelar"), 46);

    // 'C' leaves the game for the menu; ESC there ends the program.
    s.send_keys({"c"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows(screen, "ESCOLHA NIVEL") && !shows(screen, "STATUS");
    })) << s.capture();
    s.send_keys({"Escape"});
    ASSERT_TRUE(s.wait_for_text("SAME-STTY")) << s.capture();
    EXPECT_FALSE(s.alternate_screen()) << "back on the normal screen";
    EXPECT_TRUE(shows(s.capture(), "STATUS=0"));
}

}  // namespace
}  // namespace patrulha::testing
