// SPDX-License-Identifier: MIT
#pragma once

#include <string>

struct xcb_connection_t;

// Asks, before QApplication exists, whether the display Qt would open the
// window on accepts a connection: without one Qt aborts with a core dump.
// Platforms that need no display (offscreen, minimal, ...) pass unasked.
// An X connection stays open for the object's life, so that a server that
// resets when its last client leaves (a bare Xvfb) is not resetting just as
// Qt connects.
class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    // Empty when the window can be opened, else one line that says why not.
    const std::string& problem() const { return problem_; }

private:
    bool xServerAnswers(const std::string& display);

    xcb_connection_t* connection_ = nullptr;
    std::string problem_;
};
