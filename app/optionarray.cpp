// SPDX-License-Identifier: MIT
#include "optionarray.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScopedValueRollback>

#include <utility>

// Qt's arrow keys in an option group click the next button and only then give
// it the focus, undoing a focus change made by the click handler ("&Create"
// puts the cursor in the term box). This filter lets Qt move as it does and
// then gives the focus back to where the handler put it.
//
// Qt also makes the button that last had the focus the group's one stop of
// Tab; as the focus leaves the group, the stop goes back to the selection.
// (Tab's stop is the button with the TabFocus policy.)
class OptionArray::Keyboard : public QObject {
public:
    explicit Keyboard(OptionArray& array) : array_(array) { }

    bool navigating = false;
    QPointer<QWidget> handlerFocus; // where a handler run by the arrow key put the focus

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            array_.keepTabStopOnSelection();
            return false;
        }
        if (navigating || event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_Left && key != Qt::Key_Right)
            return false;
        {
            QScopedValueRollback guard(navigating, true);
            handlerFocus = nullptr;
            QCoreApplication::sendEvent(watched, event); // Qt's navigation; passed to the parents if unused
        }
        if (handlerFocus)
            handlerFocus->setFocus(Qt::OtherFocusReason);
        return true;
    }

private:
    OptionArray& array_;
};

OptionArray::OptionArray(std::array<QRadioButton*, 2> buttons, ClickHandler handler,
                         const std::function<void(std::function<void()>)>& userClick)
    : buttons_(buttons), handler_(std::move(handler)), keyboard_(std::make_unique<Keyboard>(*this))
{
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const auto index = static_cast<std::int16_t>(i);
        buttons_[i]->installEventFilter(keyboard_.get());
        QObject::connect(buttons_[i], &QRadioButton::toggled, buttons_[i], [this, index, userClick](bool on) {
            if (!on)
                return;
            keepTabStopOnSelection();
            if (settingFromCode_)
                return;
            selectionRan_ = true;
            QWidget* focusBefore = QApplication::focusWidget();
            userClick([this, index] { handler_(index); });
            QWidget* focusAfter = QApplication::focusWidget();
            if (keyboard_->navigating && focusAfter && focusAfter != focusBefore)
                keyboard_->handlerFocus = focusAfter;
        });
        // Qt reports a click on the selected button without a toggle.
        QObject::connect(buttons_[i], &QRadioButton::clicked, buttons_[i], [this, index, userClick] {
            if (std::exchange(selectionRan_, false) || !buttons_[std::size_t(index)]->isChecked() || !reselected_)
                return;
            userClick([this, index] { reselected_(index); });
        });
    }
    keepTabStopOnSelection();
}

OptionArray::~OptionArray() = default;

void OptionArray::setValue(std::size_t index, bool selected)
{
    QRadioButton* button = buttons_.at(index);
    {
        QScopedValueRollback guard(settingFromCode_, true);
        if (selected) {
            button->setChecked(true);
        } else {
            // An exclusive button cannot be cleared: drop exclusivity for a moment.
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
            keepTabStopOnSelection();
        }
    }
    if (selected)
        handler_(static_cast<std::int16_t>(index));
}

void OptionArray::keepTabStopOnSelection()
{
    // While the focus is in the group, Tab leaves it from there.
    QRadioButton* stop = buttons_[1]->isChecked() ? buttons_[1] : buttons_[0];
    for (QRadioButton* button : buttons_) {
        if (button->hasFocus())
            stop = button;
    }
    for (QRadioButton* button : buttons_) {
        const Qt::FocusPolicy policy = button->focusPolicy();
        button->setFocusPolicy(button == stop ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                              : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}
