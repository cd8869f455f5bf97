// Finds the connected output to scale from the report of `xrandr -q`.
#pragma once

// Sets the scale factor to 1.0 and stores the name of the output reported
// last as connected. Returns 1 when the last matching line gave a name, else
// 0; prints "couldn't run xrandr" when the command cannot be started.
int detect_output();
