// SPDX-License-Identifier: MIT
#pragma once

// A small reference model of the window: what the file must hold, which
// screen and drill state the window must be in, and which message boxes the
// user must see, driven by the handlers that a user action runs.

#include "messageboxes.h"
#include "tempdeck.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <vector>

class WindowModel {
public:
    struct Screen {
        bool createPanel = false;
        bool reviewPanel = false;
        int option = -1; // the selected optScreen button, -1 for none
        bool operator==(const Screen&) const = default;
    };
    struct Drill {
        int side = -1;         // the selected optShow button, -1 for none
        bool next = false;     // the caption of cmdShow is "Next"
        bool termShown = true; // txtOutQuestion not hidden
        bool definitionShown = true;
        bool operator==(const Drill&) const = default;
    };
    // A message box the user must see, exactly.
    struct Box {
        QString text;
        bool yesNo = false; // Yes and No, else OK alone
    };
    // What the Create boxes hold while a handler runs: the pending entry's text.
    struct Typed {
        QString term;
        QString definition;
    };

    explicit WindowModel(std::vector<TestEntry> initial) : entries(std::move(initial)) { }

    std::vector<TestEntry> entries; // what the file holds
    Screen screen;
    Drill drill;
    bool pending = false;     // a new entry is pending
    bool picked = false;      // the last handler picked an entry to show
    bool focusInTerm = false; // the last handler gave the focus to txtInQuestion
    bool ended = false;       // the run ended
    std::vector<Box> boxes;   // the boxes the last action showed

    // Begins an action: answers are taken from `answers` in order.
    void begin(std::deque<BoxAnswer> answers)
    {
        answers_ = std::move(answers);
        boxes.clear();
        picked = false;
        focusInTerm = false;
    }

    // The handlers, as a user's action runs them.
    void optScreen_Click(int index, const Typed& typed)
    {
        screen.option = index;
        if (index == 0) {
            screen.reviewPanel = false;
            screen.createPanel = true;
            connect(typed);
            pending = true;
            focusInTerm = true;
            return;
        }
        connect(typed);
        if (entries.empty()) {
            show(kNoEntriesText);
            screen.option = -1;
            return;
        }
        select(0);
        screen.createPanel = false;
        screen.reviewPanel = true;
        picked = true;
    }

    void cmdOK_Click(const Typed& typed)
    {
        if (pending && (!typed.term.isEmpty() || !typed.definition.isEmpty()))
            store(typed); // "OK" stores what the boxes hold, unless both are empty
        pending = true;
        focusInTerm = true;
    }

    void cmdCancel_Click()
    {
        pending = false;
        screen.createPanel = false;
        if (screen.option == 0)
            screen.option = -1;
    }

    void cmdShow_Click(const Typed& typed)
    {
        bool& answerShown = drill.side == 0 ? drill.definitionShown : drill.termShown;
        if (!drill.next) {
            answerShown = true;
            drill.next = true;
            return;
        }
        answerShown = false;
        connect(typed);
        if (entries.empty()) {
            show(kNoEntriesReport); // the caption stays "Next"
            return;
        }
        picked = true;
        drill.next = false;
    }

    // A user's choice of a side; choosing the side already selected runs nothing.
    void optShow_Click(int index)
    {
        if (drill.side != index)
            select(index);
    }

    void cmdRestart_Click(const Typed& typed)
    {
        if (!yes(show(kRestartWarningText, true)))
            return;
        settle(typed);
        entries.clear();
    }

    // "E&xit" or closing the window: the run ends, a typed entry is kept.
    void end(const Typed& typed)
    {
        settle(typed);
        ended = true;
    }

    // The user edited a Create box: with nothing pending, that begins an entry.
    void createBoxEdited() { pending = true; }

private:
    void select(int side)
    {
        drill.side = side;
        drill.termShown = side == 0;
        drill.definitionShown = side != 0;
    }

    // Reopening the table settles the pending entry.
    void connect(const Typed& typed) { settle(typed); }

    void settle(const Typed& typed)
    {
        if (pending && (!typed.term.isEmpty() || !typed.definition.isEmpty()))
            store(typed);
        pending = false;
    }

    void store(const Typed& typed)
    {
        std::int64_t largest = 0;
        for (const auto& e : entries)
            largest = std::max(largest, e.id);
        entries.push_back({largest + 1, typed.term.toStdString(), typed.definition.toStdString()});
        pending = false;
    }

    BoxAnswer show(const QString& text, bool yesNo = false)
    {
        boxes.push_back({text, yesNo});
        if (answers_.empty())
            return BoxAnswer::Enter;
        const auto answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    static bool yes(BoxAnswer answer) { return answer == BoxAnswer::Yes || answer == BoxAnswer::Enter; }

    std::deque<BoxAnswer> answers_;
};
