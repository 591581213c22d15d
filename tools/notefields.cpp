// SPDX-License-Identifier: MIT
#include "notefields.h"

#include "deckerror.h"

#include <charconv>
#include <utility>

namespace deck {
namespace {

std::string counted(long count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "dropped 2 images and 1 sound reference", or nothing when none was.
void noteDropped(const DroppedMedia& dropped, SourceSink& sink)
{
    std::string what;
    if (dropped.images > 0)
        what = counted(dropped.images, "image", "images");
    if (dropped.sounds > 0)
        what += (what.empty() ? "" : " and ") + counted(dropped.sounds, "sound reference", "sound references");
    if (!what.empty())
        sink.note("dropped " + what + ": Verbrio shows text only");
}

} // namespace

std::optional<int> columnNumbered(std::string_view text)
{
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 1)
        return std::nullopt;
    return number - 1;
}

std::optional<FieldPair> fieldPairNamed(std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const auto term = columnNumbered(text.substr(0, comma));
    const auto definition = columnNumbered(text.substr(comma + 1));
    if (!term || !definition || *term == *definition)
        return std::nullopt;
    return FieldPair{*term, *definition};
}

std::optional<Cloze> clozeOf(std::string_view text)
{
    Cloze cloze;
    bool any = false;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find("{{c", at);
        std::size_t digits = open == std::string_view::npos ? open : open + 3;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
            ++digits;
        const bool numbered = digits != std::string_view::npos && digits > open + 3;
        const std::size_t close =
            numbered && text.substr(digits).starts_with("::") ? text.find("}}", digits + 2) : std::string_view::npos;
        if (close == std::string_view::npos) {
            const std::size_t next = open == std::string_view::npos ? text.size() : open + 1;
            cloze.blanked.append(text.substr(at, next - at));
            cloze.filled.append(text.substr(at, next - at));
            at = next;
            continue;
        }
        const std::string_view inside = text.substr(digits + 2, close - digits - 2);
        const std::size_t hint = inside.find("::");
        cloze.blanked.append(text.substr(at, open - at)).append("[");
        cloze.blanked.append(hint == std::string_view::npos ? std::string_view("…") : inside.substr(hint + 2))
            .append("]");
        cloze.filled.append(text.substr(at, open - at)).append(inside.substr(0, hint));
        any = true;
        at = close + 2;
    }
    if (!any)
        return std::nullopt;
    return cloze;
}

void NoteEntries::add(long place, const std::vector<std::string>& fields)
{
    const auto field = [&](int index) -> std::optional<std::string> {
        if (index >= static_cast<int>(fields.size()))
            return std::string();
        const std::string& text = fields[static_cast<std::size_t>(index)];
        return html_ ? htmlToText(text, dropped_) : text;
    };
    if (cloze_ && !fields.empty() && fields.front().find("{{c") != std::string::npos) {
        const auto text = field(0);
        const auto extra = field(1);
        const auto cloze = text ? clozeOf(*text) : std::nullopt;
        if (cloze && extra) {
            sink_.entry({place, cloze->blanked, cloze->filled + (extra->empty() ? "" : "\n" + *extra)});
            return;
        }
    }
    auto term = field(pair_.term);
    auto definition = field(pair_.definition);
    if (!term || !definition) {
        sink_.leftOut(place, "with more than " + std::to_string(kMostHtmlTags) + " HTML tags in a field");
        return;
    }
    if (term->empty() || definition->empty()) {
        sink_.leftOut(place, "with field " + std::to_string(pair_.term + 1) + " or "
                                 + std::to_string(pair_.definition + 1)
                                 + (html_ ? " empty once HTML is turned into text" : " empty or missing"));
        return;
    }
    sink_.entry({place, std::move(*term), std::move(*definition)});
}

void NoteEntries::finish()
{
    noteDropped(dropped_, sink_);
}

void HtmlEntries::entry(SourceEntry entry)
{
    for (std::string* text : {&entry.term, &entry.definition}) {
        auto plain = htmlToText(*text, dropped_);
        if (!plain)
            throw malformedLine(entry.line,
                                "holds more than " + std::to_string(kMostHtmlTags) + " HTML tags in one text");
        *text = std::move(*plain);
    }
    next_.entry(std::move(entry));
}

void HtmlEntries::finish()
{
    noteDropped(dropped_, next_);
}

} // namespace deck
