#pragma once

#include "error.h"

#include <QString>

#include <exception>
#include <new>

class QWidget;

// Modal message boxes as the program uses them: no icon, the application's
// title, the text shown as plain text (never as rich text: error descriptions
// carry file names), CR LF starting a new line.
enum MsgBoxButtons { vbOKOnly = 0, vbYesNo = 4 };
enum MsgBoxResult { vbOK = 1, vbYes = 6, vbNo = 7 };

// Shows the box and returns the button pressed. With vbYesNo, Yes is the
// default (Enter) and No answers Esc or closing the box.
int MsgBox(QWidget* parent, const QString& prompt, int buttons = vbOKOnly);

// The default error report: a box with the error's number and description.
// The run goes on after it.
void reportError(QWidget* parent, int number, const QString& description);

// Numbers for the errors that do not come from the store.
inline constexpr int kOutOfMemoryError = 7;
inline constexpr int kInternalError = 51;

// Runs a handler to its end. An error that escapes it becomes the default
// error report, so that no exception ever crosses Qt's event loop.
template <class Handler>
void guarded(QWidget* parent, Handler&& handler)
{
    try {
        handler();
    } catch (const store::Error& e) {
        reportError(parent, e.number(), QString::fromStdString(e.description()));
    } catch (const std::bad_alloc&) {
        reportError(parent, kOutOfMemoryError, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        reportError(parent, kInternalError, QString::fromUtf8(e.what()));
    }
}
