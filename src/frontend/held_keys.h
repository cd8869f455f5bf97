// A zoom key held down: the keyboard repeats it many times a second, and
// each zoom blocks until xrandr is done, so the repeats would pile up behind
// it and go on zooming long after the key was released.
#pragma once

#include "main_window.h"

// Drops each repeat of a held key that the keyboard sent before the last
// zoom ended: a held key then zooms as fast as xrandr takes it, and stops
// when it is released. A key pressed again after a release, and every click,
// is one zoom, however long it waited.
void drop_repeats_behind_zooms(MainWindow &parts);
