#include "gui/frame_pump.h"
