#pragma once

#include <string>

// Whether the display Qt would open the window on accepts a connection, asked
// before QApplication exists: without one Qt aborts with a core dump. Returns
// an empty text when it does, or when QT_QPA_PLATFORM names a platform that
// needs no display (offscreen, minimal, ...); else one line that says why not.
std::string unreachableDisplay();
