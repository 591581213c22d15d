// SPDX-License-Identifier: MIT
#pragma once

#include <QRadioButton>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// Option buttons in one container with one click handler that receives the
// button's index. A user's selection runs it unless the button was selected
// already: then the reselect handler runs instead, if there is one.
// setValue(i, true) always runs the click handler; setValue(i, false) clears
// the button and runs nothing, leaving none selected (which Qt's exclusive
// buttons refuse on their own). A focus change a handler makes stands, also
// after an arrow key (where Qt would move the focus to the button afterwards).
// Tab enters the group at its selected button (at the first while none is),
// not at the one that had the focus last.
class OptionArray {
public:
    using ClickHandler = std::function<void(std::int16_t index)>;
    // `userClick` runs the handler for a user's selection (through the
    // window's error wrapper); code's selections call `handler` directly, so
    // its errors reach the code that selected.
    OptionArray(std::array<QRadioButton*, 2> buttons, ClickHandler handler,
                const std::function<void(std::function<void()>)>& userClick);
    ~OptionArray();

    // An index outside the array raises std::out_of_range.
    QRadioButton* operator[](std::size_t index) const { return buttons_.at(index); }
    bool Value(std::size_t index) const { return buttons_.at(index)->isChecked(); }
    void setValue(std::size_t index, bool selected);

    // Run, through `userClick`, when the user selects the button that is
    // selected already (a click, its access key, Space on it).
    void setReselectHandler(ClickHandler reselected) { reselected_ = std::move(reselected); }

private:
    class Keyboard;

    // Only the selected button (the first while none is) is a stop of Tab.
    void keepTabStopOnSelection();

    std::array<QRadioButton*, 2> buttons_;
    ClickHandler handler_;
    ClickHandler reselected_;
    bool settingFromCode_ = false;
    bool selectionRan_ = false; // the handler ran for the click now under way
    std::unique_ptr<Keyboard> keyboard_;
};
