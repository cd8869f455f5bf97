// Another client can destroy the window at any moment, and the toolkit may
// still ask about it, or about the windows inside it, before it hears of
// that. The window's record (see main_window.h) holds its widgets until it
// goes, and disconnects the handlers it was handed to.
#pragma once

// The server's errors about windows that no longer exist, and about what was
// being made for them, are left unanswered; any other X error still ends the
// program, as the toolkit does.
void ignore_errors_about_windows_gone();
