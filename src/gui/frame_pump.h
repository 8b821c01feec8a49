// The frame pump: the one place where a waiting loop of the update engine or
// the launcher hands the GUI its turn (CheckRedraw and what it drives).
#pragma once
