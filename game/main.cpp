#include "console/conio.h"
#include "game/game.h"

namespace patrulha {

int main() {
    clrscr();
    _getch();
    return 0;
}

}  // namespace patrulha
