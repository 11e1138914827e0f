#pragma once

#include <string>

#include "short_int.h"

namespace tavola {

// One game, from the window's load to the end of the program or the next new game.
struct GameState {
    Short expectedProduct;
    Short correctCount;
    Short wrongCount;
    Short clockHours;
    Short clockMinutes;
    float clockSeconds = 0;
    Short secondsBudget;
    std::string recordScore; // the score file's content, as lblpunti shows it
    Short colourSeed;        // 0 to 14
    std::string playerName;  // as lblnome1 shows it
};

} // namespace tavola
