#include "engine/frame_painter.h"
