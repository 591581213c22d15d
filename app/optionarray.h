#pragma once

#include <QRadioButton>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// An array of option buttons in one container with one click handler that
// receives the button's index.
//
// - The user selects a button (mouse, access key, arrow keys in the group):
//   the others clear and the handler runs. Clicking the button that is
//   already selected runs nothing; taking the focus selects nothing.
// - setValue(i, true) from code does the same, and always runs the handler
//   before it returns, also when the button was already selected.
// - setValue(i, false) from code clears the button and runs nothing, leaving
//   no button of the group selected (which Qt's exclusive buttons refuse on
//   their own).
// - A focus change the handler makes stands, also when an arrow key selected
//   the button (Qt gives the focus to that button after its handler ran).
class OptionArray {
public:
    using ClickHandler = std::function<void(std::int16_t index)>;
    // `userClick` runs the handler for a user's selection (through the
    // window's error wrapper); code's selections call `handler` directly, so
    // its errors reach the code that selected.
    OptionArray(std::array<QRadioButton*, 2> buttons, ClickHandler handler,
                std::function<void(std::function<void()>)> userClick);
    ~OptionArray();

    // An index outside the array raises std::out_of_range.
    QRadioButton* operator[](std::size_t index) const { return buttons_.at(index); }
    bool Value(std::size_t index) const { return buttons_.at(index)->isChecked(); }
    void setValue(std::size_t index, bool selected);

private:
    class ArrowKeys;

    std::array<QRadioButton*, 2> buttons_;
    ClickHandler handler_;
    bool settingFromCode_ = false;
    std::unique_ptr<ArrowKeys> arrowKeys_;
};
