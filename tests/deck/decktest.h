// SPDX-License-Identifier: MIT
#pragma once

// Helpers shared by the deck tool's tests.

#include "commandline.h"
#include "sourcesink.h"
#include "storetest.h"

#include <QBuffer>
#include <QMetaType>

#include <string>
#include <utility>
#include <vector>

using Entries = std::vector<deck::SourceEntry>;
Q_DECLARE_METATYPE(Entries)

// Keeps what a reader delivers.
struct CollectedSource : deck::SourceSink {
    Entries entries;
    std::vector<std::string> leftOuts; // "line N: reason"
    std::vector<std::string> notes;
    void entry(deck::SourceEntry entry) override { entries.push_back(std::move(entry)); }
    void leftOut(long line, std::string reason) override
    {
        leftOuts.push_back("line " + std::to_string(line) + ": " + reason);
    }
    void note(std::string text) override { notes.push_back(std::move(text)); }
};

// One in-process run of the tool.
struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(QStringList arguments, const QByteArray& input = {})
{
    QByteArray inBytes = input;
    QBuffer in(&inBytes), out, err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    deck::Console console{in, out, err};
    arguments.prepend("verbrio-deck");
    const int status = deck::runDeckTool(arguments, console);
    return {status, out.data(), err.data()};
}
