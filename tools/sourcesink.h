// SPDX-License-Identifier: MIT
#pragma once

#include "remedy.h"

#include <string>
#include <utility>

namespace deck {

// One entry read from a source file, with the line it begins on.
struct SourceEntry {
    long line = 0;
    std::string term;
    std::string definition;

    bool operator==(const SourceEntry&) const = default;
};

// Receives what a reader finds, in the order of the source. A reader calls
// `entry` as soon as an entry is complete, so a check that raises there stops
// the reading at the first entry it refuses, before any later line is read.
class SourceSink {
public:
    virtual ~SourceSink() = default;
    virtual void entry(SourceEntry entry) = 0;
    // An entry the reader left out, with the line it begins on and why
    // ("has no definition"): entries are counted by their reason.
    virtual void leftOut(long line, std::string reason) = 0;
    // How the source was read, said once ("read as semicolon-separated").
    virtual void note(std::string text) = 0;
    // A note with what the user may change about it ("line 1 looks like a
    // header"); a sink that keeps no remedy takes the command line's words.
    virtual void advise(std::string text, const Remedy& remedy) { note(std::move(text) + commandLineAdvice(remedy)); }
};

} // namespace deck
