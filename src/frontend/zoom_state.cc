#include "zoom_state.h"

ZoomState zoom_state;
