#pragma once
// The parts of a frame, shared between the files of game/.

#include <string>

#include "game/state.h"
#include "game/services.h"

namespace zorbly {

// How a part of the frame finished: normally, or by ending the frame (the
// ending text, or the end of the program after game over).
enum class FrameGoesOn : bool { no, yes };

// One of the five enemy rows, 15, 35, 55, 75 or 95, from one random draw.
double randomRow(Services& s);

// "SCORE 57": the score with a leading sign position (a space when not negative).
std::string scoreLine(double score);

// The boss's part of the frame; runs while kills is above 18.
FrameGoesOn bossPhase(GameState& st, Services& s);

// Enemy i's part of the frame: the player's shot, enemy i and its shot.
FrameGoesOn enemyPass(GameState& st, Services& s, int i);

}  // namespace zorbly
