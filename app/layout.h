#pragma once

#include <QRect>

// The window's fixed layout, in twips (1/1440 inch; 15 twips are one pixel
// at 96 dots per inch). Left and Top are measured from the top-left corner of
// the inner area of the container.

namespace layout {

inline constexpr int kTwipsPerPixel = 15;

inline constexpr int kClientWidth = 6660;
inline constexpr int kClientHeight = 2670;
inline constexpr int kClientLeft = 1620; // on the screen
inline constexpr int kClientTop = 1920;

struct Control {
    const char* name = nullptr;      // the control's objectName
    const char* container = nullptr; // nullptr: the window itself
    int left = 0, top = 0, width = 0, height = 0;
    const char* caption = nullptr;   // nullptr: none
    int tabIndex = -1;               // -1: takes no focus
};

// Every control, in the order the window creates them: a container first,
// then its contents. The data control is not a widget here: it is hidden for
// the whole run, so it has no place on screen.
inline constexpr Control kControls[] = {
    {"cmdRestart", nullptr, 45, 1665, 1050, 330, "Re&start", 15},
    {"cmdExit", nullptr, 45, 990, 1050, 330, "E&xit", 3},
    {"pbxChoice", nullptr, 45, 135, 1050, 735, nullptr, 0},
    {"optScreen(0)", "pbxChoice", 45, 90, 780, 195, "&Create", 1},
    {"optScreen(1)", "pbxChoice", 45, 360, 870, 195, "&Review", 2},
    {"pbxCreate", nullptr, 1170, 45, 5460, 2625, nullptr, 10},
    {"txtInQuestion", "pbxCreate", 45, 90, 5370, 285, nullptr, 11},
    {"txtInAnswer", "pbxCreate", 45, 675, 5370, 1275, nullptr, 12},
    {"cmdOK", "pbxCreate", 4410, 2160, 1005, 375, "&OK", 13},
    {"cmdCancel", "pbxCreate", 3330, 2160, 1005, 375, "Cancel", 14},
    {"pbxReview", nullptr, 1170, 45, 5460, 2580, nullptr, 9},
    {"optShow(0)", "pbxReview", 45, 2160, 1185, 240, "Show &terms", 7},
    {"optShow(1)", "pbxReview", 1305, 2160, 1455, 240, "Show &definitions", 8},
    {"cmdShow", "pbxReview", 4410, 2160, 1005, 375, "Show", 6},
    {"txtOutAnswer", "pbxReview", 45, 675, 5370, 1275, nullptr, 5},
    {"txtOutQuestion", "pbxReview", 45, 90, 5370, 285, nullptr, 4},
};

// Controls whose caption would be clipped in the toolkit's default font at
// the place above, in twips. Only width and height grow, within the
// container; "Show &definitions" alone also moves right, since "Show &terms"
// needs more room than the space before it at any size of font the toolkit
// offers by default, and the two would overlap.
struct Adjustment {
    const char* name = nullptr;
    int left = 0, width = 0, height = 0;
};

inline constexpr Adjustment kAdjustments[] = {
    {"optScreen(0)", 45, 960, 270},
    {"optScreen(1)", 45, 960, 270},
    {"optShow(0)", 45, 1440, 300},
    {"optShow(1)", 1500, 1860, 300},
};

// The control's place after any adjustment, in twips.
QRect placeOf(const Control& control);

// Twips to pixels.
QRect toPixels(const QRect& twips);

} // namespace layout
