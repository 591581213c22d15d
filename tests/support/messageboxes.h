// SPDX-License-Identifier: MIT
#pragma once

// Answers the program's modal message boxes as a user would, with answers the
// test chose in advance, and records what each box showed. Also the program's
// messages exactly as the user reads them in a box.

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <initializer_list>

inline const QString kNoEntriesText = QStringLiteral("There are no entries in the database!");
inline const QString kOpenFailedText = QStringLiteral("There was an error opening the database!\n"
                                                      "A detailed message will follow.  Please write down the message\n"
                                                      "and consult the Readme.txt file for contact information");
inline const QString kRestartWarningText =
    QStringLiteral("Warning! This will permanently delete all entries in the database!\n"
                   "Are you sure you want to continue?");
// The default error report of "Next" once every entry has been deleted.
inline const QString kNoEntriesReport =
    QStringLiteral("Error 3021\n\nNo current record: there are no entries in the table Questions");

// Yes: a click on "Yes" (or "Save"), or on "OK" in a box without it; No
// likewise with "No" (or "Discard"). Enter
// and Esc: the key pressed where the box has its focus.
enum class BoxAnswer { Yes, No, Enter, Esc };

struct ShownMessageBox {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::Icon icon;
    Qt::TextFormat format;
    Qt::TextInteractionFlags interaction;
};

class MessageBoxes : public QObject {
public:
    // Each box that opens is answered with the next of `answers`; once they
    // run out, with Enter (the default button).
    explicit MessageBoxes(std::deque<BoxAnswer> answers = {}) : answers_(std::move(answers))
    {
        qApp->installEventFilter(this);
        // A box whose Show event went by unseen is still answered.
        connect(&poll_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                answer(box);
        });
        poll_.start(50);
    }
    ~MessageBoxes() override { qApp->removeEventFilter(this); }

    void setAnswers(std::deque<BoxAnswer> answers) { answers_ = std::move(answers); }

    QList<ShownMessageBox> shown;

    QStringList texts() const
    {
        QStringList result;
        for (const auto& box : shown)
            result << box.text;
        return result;
    }

    // The texts shown since the last call: what one step of a test showed.
    QStringList takeTexts()
    {
        QStringList result = texts();
        shown.clear();
        return result;
    }

protected:
    // A box is answered as soon as its own event loop runs.
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(object)) {
                QPointer<QMessageBox> opened(box);
                QMetaObject::invokeMethod(
                    this,
                    [this, opened] {
                        if (opened)
                            answer(opened);
                    },
                    Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void answer(QMessageBox* box)
    {
        // A new box can take the address of the one just closed: mark, not compare.
        if (!box->isVisible() || box->property("answeredByTest").toBool())
            return;
        box->setProperty("answeredByTest", true);
        auto* defaultButton = box->defaultButton();
        shown.append({box->windowTitle(), box->text(), box->standardButtons(),
                      defaultButton ? box->standardButton(defaultButton) : QMessageBox::NoButton, box->icon(),
                      box->textFormat(), box->textInteractionFlags()});
        BoxAnswer answer = BoxAnswer::Enter;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        // Yes: Yes, Save or OK, the first the box has; No: No, Discard or OK.
        const auto first = [box](std::initializer_list<QMessageBox::StandardButton> buttons) {
            for (const auto button : buttons)
                if (box->button(button))
                    return box->button(button);
            return box->button(QMessageBox::Ok);
        };
        switch (answer) {
        case BoxAnswer::Yes: first({QMessageBox::Yes, QMessageBox::Save})->click(); break;
        case BoxAnswer::No: first({QMessageBox::No, QMessageBox::Discard})->click(); break;
        case BoxAnswer::Enter: press(box, Qt::Key_Return); break;
        case BoxAnswer::Esc: press(box, Qt::Key_Escape); break;
        }
    }

    // A key pressed and released where the box has its focus; what the focused
    // control does not take goes on to the box.
    static void press(QMessageBox* box, Qt::Key key)
    {
        QWidget* focus = box->focusWidget() ? box->focusWidget() : box;
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(focus, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(focus, &up);
    }

    std::deque<BoxAnswer> answers_;
    QTimer poll_;
};
