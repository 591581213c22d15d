// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// Access keys as the window needs them, for every button and text box that
// `window` holds when this is called:
//
// - Alt with a button's access key clicks it at once: its handler has run
//   before the next key event is handled. (Qt's own path animates the press
//   and clicks some 100 ms later, so that keys typed right after Alt+C would
//   reach the control that had the focus before.) An option button takes the
//   focus first, as a click on it does; a push button's focus stays as its
//   click leaves it.
// - Alt with a character that no visible, enabled control carries as its
//   access key reaches no text box: it types nothing. AltGr, a modifier of
//   its own, and Ctrl+Alt (AltGr on some platforms) still type.
void installAccessKeys(QWidget* window);
