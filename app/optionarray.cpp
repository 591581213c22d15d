#include "optionarray.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScopedValueRollback>

// Qt's arrow keys in an option group click the next button and only then give
// it the focus, undoing a focus change made by the click handler ("&Create"
// puts the cursor in the term box). This filter lets Qt move as it does and
// then gives the focus back to where the handler put it.
class OptionArray::ArrowKeys : public QObject {
public:
    bool navigating = false;
    QPointer<QWidget> handlerFocus; // where a handler run by the arrow key put the focus

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
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
};

OptionArray::OptionArray(std::array<QRadioButton*, 2> buttons, ClickHandler handler,
                         std::function<void(std::function<void()>)> userClick)
    : buttons_(buttons), handler_(std::move(handler)), arrowKeys_(std::make_unique<ArrowKeys>())
{
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const auto index = static_cast<std::int16_t>(i);
        buttons_[i]->installEventFilter(arrowKeys_.get());
        QObject::connect(buttons_[i], &QRadioButton::toggled, buttons_[i], [this, index, userClick](bool on) {
            if (!on || settingFromCode_)
                return;
            QWidget* focusBefore = QApplication::focusWidget();
            userClick([this, index] { handler_(index); });
            QWidget* focusAfter = QApplication::focusWidget();
            if (arrowKeys_->navigating && focusAfter && focusAfter != focusBefore)
                arrowKeys_->handlerFocus = focusAfter;
        });
    }
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
        }
    }
    if (selected)
        handler_(static_cast<std::int16_t>(index));
}
