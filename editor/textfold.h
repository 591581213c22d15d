// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <string>
#include <string_view>
#include <utility>

// Texts as the search compares them, by what they mean to a reader rather
// than by their code points: compatibility forms as their letters (the
// ligature "ﬁ" as "fi"), full case folding ("ß" as "ss", final sigma as
// sigma, "İ" as "i" with a dot above) and, unless accents are to match,
// without combining marks ("é" as "e", composed or not, "ί" as "ι"). Letters
// that are letters of their own stay apart: "ı" is not "i", "ø" not "o".
// Unicode's own data, from ICU: NFKC_Casefold, then NFD less the nonspacing
// marks.
class TextFold {
public:
    explicit TextFold(bool matchAccents = false) : matchAccents_(matchAccents) { }

    bool matchAccents() const { return matchAccents_; }

    // `text`, in UTF-8, folded, in UTF-8.
    std::string fold(std::string_view text) const;
    std::string fold(const QString& text) const;

    // Where the folded `needle` is found in `text`, one after another: each
    // as its start and length in `text`, whole characters with their marks.
    QList<std::pair<qsizetype, qsizetype>> find(const QString& text, std::string_view needle) const;

private:
    // One character with its marks, folded: most are looked up, not folded again.
    const std::string& foldPiece(QStringView piece) const;

    bool matchAccents_;
};
