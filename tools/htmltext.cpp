// SPDX-License-Identifier: MIT
#include "htmltext.h"

#include <gumbo.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace deck {
namespace {

// Elements that end the line before them and the line they hold.
constexpr GumboTag kBlocks[] = {
    GUMBO_TAG_ADDRESS,  GUMBO_TAG_ARTICLE,    GUMBO_TAG_ASIDE,  GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_CAPTION,
    GUMBO_TAG_DD,       GUMBO_TAG_DETAILS,    GUMBO_TAG_DIV,    GUMBO_TAG_DL,         GUMBO_TAG_DT,
    GUMBO_TAG_FIELDSET, GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE, GUMBO_TAG_FOOTER,     GUMBO_TAG_FORM,
    GUMBO_TAG_H1,       GUMBO_TAG_H2,         GUMBO_TAG_H3,     GUMBO_TAG_H4,         GUMBO_TAG_H5,
    GUMBO_TAG_H6,       GUMBO_TAG_HEADER,     GUMBO_TAG_HR,     GUMBO_TAG_LI,         GUMBO_TAG_MAIN,
    GUMBO_TAG_NAV,      GUMBO_TAG_OL,         GUMBO_TAG_P,      GUMBO_TAG_PRE,        GUMBO_TAG_SECTION,
    GUMBO_TAG_SUMMARY,  GUMBO_TAG_TABLE,      GUMBO_TAG_TR,     GUMBO_TAG_UL,
};

// Elements whose content a browser does not show as text.
constexpr GumboTag kHidden[] = {
    GUMBO_TAG_HEAD, GUMBO_TAG_SCRIPT, GUMBO_TAG_STYLE, GUMBO_TAG_TEMPLATE, GUMBO_TAG_TITLE, GUMBO_TAG_NOSCRIPT,
};

// Elements that keep their whitespace and line breaks.
constexpr GumboTag kPreformatted[] = {GUMBO_TAG_PRE, GUMBO_TAG_LISTING, GUMBO_TAG_TEXTAREA};

template <std::size_t N>
bool isOneOf(GumboTag tag, const GumboTag (&tags)[N])
{
    return std::find(std::begin(tags), std::end(tags), tag) != std::end(tags);
}

constexpr std::string_view kSoundStart = "[sound:";

bool isHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Writes the text of a tree out line by line, deciding where a space or a
// line break goes only when the next visible character comes.
class TextWriter {
public:
    explicit TextWriter(DroppedMedia& dropped) : dropped_(dropped) { }

    void text(std::string_view text, bool preformatted)
    {
        for (std::size_t at = 0; at < text.size(); ++at) {
            if (text.substr(at).starts_with(kSoundStart)) {
                const std::size_t end = text.find(']', at);
                if (end != std::string_view::npos) {
                    ++dropped_.sounds;
                    at = end;
                    continue;
                }
            }
            const char c = text[at];
            if (preformatted && (c == '\n' || c == '\r')) {
                lineBreak();
            } else if (!preformatted && isHtmlSpace(c)) {
                spacePending_ = lineHasText_;
            } else {
                if (std::exchange(breakPending_, false))
                    endLine();
                else if (std::exchange(spacePending_, false))
                    out_ += ' ';
                out_ += c;
                lineHasText_ = true;
            }
        }
    }
    void lineBreak()
    {
        if (std::exchange(breakPending_, false))
            endLine();
        endLine();
    }
    void blockEdge()
    {
        breakPending_ = breakPending_ || lineHasText_;
        spacePending_ = false;
    }
    void space() { spacePending_ = lineHasText_; }

    std::string finish()
    {
        const std::size_t first = out_.find_first_not_of('\n');
        if (first == std::string::npos)
            return {};
        return out_.substr(first, out_.find_last_not_of('\n') + 1 - first);
    }

private:
    void endLine()
    {
        out_ += '\n';
        lineHasText_ = false;
        spacePending_ = false;
    }

    DroppedMedia& dropped_;
    std::string out_;
    bool lineHasText_ = false;
    bool spacePending_ = false;
    bool breakPending_ = false;
};

void destroy(GumboOutput* output)
{
    gumbo_destroy_output(&kGumboDefaultOptions, output);
}

// Walks the tree in document order without recursion: a field may nest
// elements thousands deep.
void writeTree(const GumboNode* root, TextWriter& writer, DroppedMedia& dropped)
{
    struct Open {
        const GumboNode* node;
        unsigned next; // the next child to visit
    };
    std::vector<Open> open{{root, 0}};
    int preformatted = 0;
    const auto leave = [&](const GumboNode* node) {
        const GumboTag tag = node->v.element.tag;
        if (isOneOf(tag, kBlocks))
            writer.blockEdge();
        if (isOneOf(tag, kPreformatted))
            --preformatted;
    };
    while (!open.empty()) {
        Open& top = open.back();
        const GumboVector& children = top.node->v.element.children;
        if (top.next == children.length) {
            leave(top.node);
            open.pop_back();
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(children.data[top.next++]);
        switch (child->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA: writer.text(child->v.text.text, preformatted > 0); break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboTag tag = child->v.element.tag;
            if (tag == GUMBO_TAG_BR) {
                writer.lineBreak();
            } else if (tag == GUMBO_TAG_IMG) {
                ++dropped.images;
            } else if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH) {
                writer.space();
                open.push_back({child, 0});
            } else if (!isOneOf(tag, kHidden)) {
                if (isOneOf(tag, kBlocks))
                    writer.blockEdge();
                if (isOneOf(tag, kPreformatted))
                    ++preformatted;
                open.push_back({child, 0});
            }
            break;
        }
        default: break; // comments, the document node
        }
    }
}

} // namespace

std::optional<std::string> htmlToText(std::string_view html, DroppedMedia& dropped)
{
    // Most fields hold no markup at all: only their whitespace to collapse.
    if (html.find_first_of("<&") == std::string_view::npos) {
        TextWriter writer(dropped);
        writer.text(html, false);
        return writer.finish();
    }
    if (std::count(html.begin(), html.end(), '<') > kMostHtmlTags)
        return std::nullopt;

    GumboOptions options = kGumboDefaultOptions;
    options.fragment_context = GUMBO_TAG_BODY; // a field is what a <body> holds
    options.max_errors = 0;                    // errors are neither kept nor reported
    const std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> parsed(
        gumbo_parse_with_options(&options, html.data(), html.size()), destroy);
    TextWriter writer(dropped);
    writeTree(parsed->root, writer, dropped);
    return writer.finish();
}

} // namespace deck
