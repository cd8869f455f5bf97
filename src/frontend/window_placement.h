// Where the window stands: its frame, title bar and all, centred on the
// monitor under the pointer, and moved again only when something it stands
// by changed, so that a window the user moved stays where it was put.
#pragma once

#include <gtk/gtk.h>

#include "main_window.h"

// The room the window may take at most on its monitor: the monitor, less
// the frame the window manager puts around the window where it said how
// large that is, or else less a tenth of it for a frame it may put there.
GdkRectangle room_for_window(const MainWindow &parts);

// Asks the window manager, where it takes such a request, for the sizes of
// the frame it will put around the window; it answers by setting the
// window's _NET_FRAME_EXTENTS, which is_frame_extents tells. Returns whether
// it asked. The window is realized, and cannot be resized from then on:
// the frame of a window that can be has handles to resize it.
bool ask_for_frame(const MainWindow &parts);
bool is_frame_extents(const GdkEventProperty *event);

// Keeps the frame centred: whenever the screen, the window's size or the
// frame's size changes, and where the frame changed, with the scale fitted
// to the room it leaves. Until the window is first mapped, it only notes
// where the window goes, which the toolkit then maps it at.
void keep_centred(MainWindow &parts);
