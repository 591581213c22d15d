// SPDX-License-Identifier: MIT
#pragma once

#include "error.h"
#include "errorreport.h"

#include <QString>

class QWidget;

// Modal message boxes as the program uses them: no icon, the application's
// title, the text shown as plain text (never as rich text: error descriptions
// carry file names), CR LF starting a new line.
enum class MsgBoxButtons { OKOnly = 0, YesNo = 4 };
enum class MsgBoxResult { OK = 1, Yes = 6, No = 7 };

// Shows the box and returns the button pressed. With YesNo, Yes is the
// default (Enter) and No answers Esc or closing the box.
MsgBoxResult MsgBox(QWidget* parent, const QString& prompt, MsgBoxButtons buttons = MsgBoxButtons::OKOnly);

// The default error report: a box with the error's number and description.
// The run goes on after it.
void reportError(QWidget* parent, const ErrorReport& error);

// Runs a handler to its end. An error that escapes it becomes the default
// error report, so that no exception ever crosses Qt's event loop.
template <class Handler>
void guarded(QWidget* parent, Handler&& handler) noexcept
{
    try {
        handler();
    } catch (...) {
        try {
            reportError(parent, currentError());
        } catch (...) {
            // The report itself failed (out of memory): nothing more can be shown.
        }
    }
}
