// SPDX-License-Identifier: MIT
#pragma once

#include "htmltext.h"
#include "sourcesink.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace deck {

// The two fields of a note that become the term and the definition,
// counted from 0.
struct FieldPair {
    int term = 0;
    int definition = 1;

    bool operator==(const FieldPair&) const = default;
};

// A column number counted from 1, as the user writes it, counted from 0;
// nothing when it is not a whole number from 1 up.
std::optional<int> columnNumbered(std::string_view text);

// "N,M" as --columns takes it, counted from 1; nothing when it is not two
// different whole numbers from 1 up.
std::optional<FieldPair> fieldPairNamed(std::string_view text);

// Makes entries of the fields of notes: the rows of a notes export, the notes
// of a package. A note whose chosen fields are missing or empty (once HTML is
// turned into text) is left out with its reason; finish() says how many
// images and sounds were dropped.
class NoteEntries {
public:
    NoteEntries(FieldPair pair, bool html, SourceSink& sink) : pair_(pair), html_(html), sink_(sink) { }

    void setHtml(bool html) { html_ = html; }
    // Packages: a note whose text holds cloze deletions ("{{c1::Canberra}}")
    // becomes one entry of the text blanked and the text filled, its Extra
    // field (the second) after a line break.
    void setCloze(bool cloze) { cloze_ = cloze; }
    // One note; `place` is its line in a file or its number in a package.
    void add(long place, const std::vector<std::string>& fields);
    void finish();

private:
    FieldPair pair_;
    bool html_;
    bool cloze_ = false;
    SourceSink& sink_;
    DroppedMedia dropped_;
};

// A text with cloze deletions, blanked and filled: "{{c1::Canberra}} is
// the capital of {{c2::Australia::country}}" gives "[…] is the capital of
// [country]" and "Canberra is the capital of Australia". Nothing when the
// text holds none.
struct Cloze {
    std::string blanked;
    std::string filled;
};
std::optional<Cloze> clozeOf(std::string_view text);

// Passes on the entries of a reader with their texts read as HTML (--html),
// refusing a text with more than kMostHtmlTags tags at its line.
class HtmlEntries : public SourceSink {
public:
    explicit HtmlEntries(SourceSink& next) : next_(next) { }

    void entry(SourceEntry entry) override;
    void leftOut(long line, std::string reason) override { next_.leftOut(line, std::move(reason)); }
    void note(std::string text) override { next_.note(std::move(text)); }
    // Says how many images and sounds were dropped.
    void finish();

private:
    SourceSink& next_;
    DroppedMedia dropped_;
};

} // namespace deck
