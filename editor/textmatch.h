#pragma once

#include <QString>

#include <string>
#include <string_view>

// A search text, matched without regard to case against UTF-8 texts.
//
// Unicode-aware: a text with any non-ASCII character is compared as QString
// does with Qt::CaseInsensitive. Most texts of a deck are plain ASCII, and
// for those the match runs over the bytes as they are, without converting
// them: that keeps a search over every entry of a large deck within a
// keystroke.
class TextMatch {
public:
    explicit TextMatch(const QString& needle = {});

    bool empty() const { return needle_.isEmpty(); }
    // Whether the UTF-8 `text` contains the needle.
    bool in(std::string_view text) const;

private:
    enum class AsciiScan { Found, Absent, NotAscii };
    // Looks for the ASCII needle among the bytes of `text`; when it is absent,
    // whether the text was all ASCII, so that nothing else can match.
    AsciiScan findAscii(std::string_view text) const;

    QString needle_;
    std::string asciiNeedle_; // the needle in lower case, when it folds to ASCII
    bool needleAscii_ = false;
};
