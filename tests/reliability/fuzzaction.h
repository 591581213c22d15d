// SPDX-License-Identifier: MIT
#pragma once

// The user actions the window fuzzer sends, a seeded generator of random
// sequences of them, and a readable description of each.

#include "messageboxes.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <random>
#include <vector>

struct FuzzAction {
    enum Kind {
        Click,     // a mouse click on a button or an option (target: its name)
        AccessKey, // Alt with a letter (target: the letter)
        Key,       // one key to the focused control (target: a name of kFuzzKeys)
        FocusBox,  // a mouse click into a text box (target: its name)
        Type,      // typing `text` at the end of a text box, one key per character
        Paste,     // pasting `text` at the end of a text box
        Close,     // closing the window
    };
    Kind kind;
    QString target;
    QString text;
    std::deque<BoxAnswer> answers; // for the boxes this action opens

    // Alt+X, "E&xit" and closing end the run.
    bool endsRun() const
    {
        return kind == Close || (kind == AccessKey && target == QLatin1String("X"))
               || (kind == Click && target == QLatin1String("cmdExit"));
    }
};

// The controls by name.
inline const QStringList kFuzzButtons{"optScreen(0)", "optScreen(1)", "cmdOK",      "cmdCancel", "cmdShow",
                                      "optShow(0)",   "optShow(1)",   "cmdRestart", "cmdExit"};
inline const QStringList kFuzzBoxes{"txtInQuestion", "txtInAnswer", "txtOutQuestion", "txtOutAnswer"};
inline const QStringList kFuzzAccessKeys{"C", "R", "X", "S", "O", "T", "D"};
inline const QStringList kFuzzKeys{"Enter",     "Esc", "Tab",  "Backtab", "Space",
                                   "Backspace", "Up",  "Down", "Left",    "Right"};

// Texts of every kind a user can type or paste.
class FuzzText {
public:
    explicit FuzzText(std::mt19937& random) : random_(random) { }

    // Characters a keyboard or an input method sends one at a time: letters
    // of many scripts, emoji, combining marks and format characters.
    QString typed()
    {
        QString text;
        const int length = pick(10) == 0 ? 200 + pick(200) : 1 + pick(30);
        while (text.size() < length)
            text += kTyped[pick(std::size(kTyped))];
        return text;
    }

    // Anything: all of the above, control characters, and texts far over 255.
    QString pasted()
    {
        QString text;
        const int lengths[] = {1, 20, 254, 255, 256, 600, 5000};
        const int length = pick(3) == 0 ? lengths[pick(std::size(lengths))] : 1 + pick(60);
        while (text.size() < length) {
            if (pick(4) == 0)
                text += kControl[pick(std::size(kControl))];
            else
                text += kTyped[pick(std::size(kTyped))];
        }
        return text;
    }

private:
    int pick(std::size_t n) { return int(std::uniform_int_distribution<std::size_t>(0, n - 1)(random_)); }

    std::mt19937& random_;
    static inline const QString kTyped[] = {
        "a",
        "Z",
        "7",
        " ",
        "term",
        "'",
        "\"",
        ";",
        "%s",
        "<b>",
        "&",
        "\\",
        "--",
        "DROP TABLE Questions",
        QStringLiteral("\u00e9"),
        QStringLiteral("\u00df"), // Latin
        QStringLiteral("\u05e9\u05dc\u05d5\u05dd"),
        QStringLiteral("\u0645\u0631\u062d\u0628\u0627"), // Hebrew, Arabic
        QStringLiteral("\u65e5\u672c"),
        QStringLiteral("\u0928\u092e\u0938\u094d\u0924\u0947"), // CJK, Devanagari
        QStringLiteral("\U0001F600"),
        QStringLiteral("\U0001F469\u200D\U0001F4BB"), // emoji, a ZWJ sequence
        QStringLiteral("\U0001F1E9\U0001F1EA"),
        QStringLiteral("\U0001D11E"), // a flag, outside the BMP
        QStringLiteral("e\u0301"),
        QStringLiteral("\u0308\u0323\u0336"), // combining marks
        QStringLiteral("\u200F"),
        QStringLiteral("\u202E"),
        QStringLiteral("\u200B"),
        QStringLiteral("\uFEFF"), // format
        QStringLiteral("\u00a0"),
        QStringLiteral("\u2028"), // no-break space, line separator
    };
    static inline const QString kControl[] = {
        "\t",
        "\n",
        "\r",
        "\r\n",
        QString(QChar(0)),
        "\x1b",
        "\x7f",
        "\x01",
        QStringLiteral("\u0085"),
        QStringLiteral("\u2028"),
        QStringLiteral("\u2029"),
        QStringLiteral("\u00a0"),
    };
};

// A sequence of random actions; the same seed gives the same sequence.
inline std::vector<FuzzAction> generateActions(unsigned seed, int count)
{
    std::mt19937 random(seed);
    FuzzText texts(random);
    const auto pick = [&](std::size_t n) { return int(std::uniform_int_distribution<std::size_t>(0, n - 1)(random)); };
    // Each kind of action with its weight: entries are typed and stored often,
    // the run ends rarely.
    struct Weighted {
        FuzzAction::Kind kind;
        int weight;
    };
    const Weighted kinds[] = {
        {FuzzAction::Click, 30}, {FuzzAction::AccessKey, 20}, {FuzzAction::Key, 18},  {FuzzAction::FocusBox, 4},
        {FuzzAction::Type, 18},  {FuzzAction::Paste, 9},      {FuzzAction::Close, 1},
    };
    int total = 0;
    for (const auto& k : kinds)
        total += k.weight;

    std::vector<FuzzAction> actions;
    while (int(actions.size()) < count) {
        int roll = pick(std::size_t(total));
        FuzzAction::Kind kind = kinds[0].kind;
        for (const auto& k : kinds) {
            if (roll < k.weight) {
                kind = k.kind;
                break;
            }
            roll -= k.weight;
        }
        FuzzAction action{kind, {}, {}, {}};
        switch (kind) {
        case FuzzAction::Click: action.target = kFuzzButtons[pick(kFuzzButtons.size())]; break;
        case FuzzAction::AccessKey: action.target = kFuzzAccessKeys[pick(kFuzzAccessKeys.size())]; break;
        case FuzzAction::Key: action.target = kFuzzKeys[pick(kFuzzKeys.size())]; break;
        case FuzzAction::FocusBox: action.target = kFuzzBoxes[pick(kFuzzBoxes.size())]; break;
        case FuzzAction::Type:
            action.target = kFuzzBoxes[pick(kFuzzBoxes.size())];
            action.text = texts.typed();
            break;
        case FuzzAction::Paste:
            action.target = kFuzzBoxes[pick(kFuzzBoxes.size())];
            action.text = texts.pasted();
            break;
        case FuzzAction::Close: break;
        }
        // The run ends rarely: most Alt+X, "E&xit" and closing are drawn again.
        if (action.endsRun() && pick(kind == FuzzAction::Close ? 3 : 20) != 0)
            continue;
        for (int i = 0; i < 3; ++i)
            action.answers.push_back(BoxAnswer(pick(4)));
        actions.push_back(action);
    }
    return actions;
}

// The text shown with every character outside printable ASCII as \u{...}.
inline QString escaped(const QString& text, int limit = 40)
{
    QString out;
    const auto units = text.toUcs4();
    int shown = 0;
    for (const char32_t c : units) {
        if (shown++ == limit) {
            out += QStringLiteral("... (%1 UTF-16 units)").arg(text.size());
            break;
        }
        if (c >= 0x20 && c < 0x7f && c != '\\')
            out += QChar(c);
        else
            out += QStringLiteral("\\u{%1}").arg(uint(c), 0, 16);
    }
    return out;
}

inline QString describe(const FuzzAction& action)
{
    QString text;
    switch (action.kind) {
    case FuzzAction::Click: text = "click " + action.target; break;
    case FuzzAction::AccessKey: text = "Alt+" + action.target; break;
    case FuzzAction::Key: text = "key " + action.target; break;
    case FuzzAction::FocusBox: text = "click into " + action.target; break;
    case FuzzAction::Type: text = "type into " + action.target + ": \"" + escaped(action.text) + "\""; break;
    case FuzzAction::Paste: text = "paste into " + action.target + ": \"" + escaped(action.text) + "\""; break;
    case FuzzAction::Close: text = "close the window"; break;
    }
    static const char* names[] = {"Yes", "No", "Enter", "Esc"};
    QStringList answers;
    for (const auto a : action.answers)
        answers << names[int(a)];
    return text + " [boxes: " + answers.join(", ") + "]";
}
