#include "optionarray.h"

#include <QScopedValueRollback>

OptionArray::OptionArray(std::array<QRadioButton*, 2> buttons, ClickHandler handler,
                         std::function<void(std::function<void()>)> userClick)
    : buttons_(buttons), handler_(std::move(handler))
{
    for (std::int16_t index = 0; index < std::int16_t(buttons_.size()); ++index) {
        QObject::connect(buttons_[index], &QRadioButton::toggled, buttons_[index], [this, index, userClick](bool on) {
            if (on && !settingFromCode_)
                userClick([this, index] { handler_(index); });
        });
    }
}

void OptionArray::setValue(int index, bool selected)
{
    QRadioButton* button = buttons_[index];
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
