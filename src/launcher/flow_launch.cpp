// The launch state (11): the game is copied and started, and the loop ends.
#include "launcher/flow.h"
#include "launcher/game_launch.h"

void LaunchWork(ZindleWindow* window) { RunQuorvel(); }
