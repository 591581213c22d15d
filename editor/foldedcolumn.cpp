// SPDX-License-Identifier: MIT
#include "foldedcolumn.h"

#include <cstring>

void FoldedColumn::clear()
{
    // The memory goes back too: a deck re-read must not hold two copies.
    std::string().swap(text_);
    std::vector<std::size_t>().swap(ends_);
}

void FoldedColumn::append(std::string_view text)
{
    text_ += text;
    ends_.push_back(text_.size());
}

void FoldedColumn::insert(int row, int count)
{
    ends_.insert(ends_.begin() + row, std::size_t(count), start(row));
}

void FoldedColumn::remove(int first, int count)
{
    const std::size_t from = start(first);
    const std::size_t length = start(first + count) - from;
    text_.erase(from, length);
    ends_.erase(ends_.begin() + first, ends_.begin() + first + count);
    for (auto end = ends_.begin() + first; end != ends_.end(); ++end)
        *end -= length;
}

void FoldedColumn::set(int row, std::string_view text)
{
    const std::size_t from = start(row);
    const std::size_t before = ends_[std::size_t(row)] - from;
    text_.replace(from, before, text);
    for (auto end = ends_.begin() + row; end != ends_.end(); ++end)
        *end = *end - before + text.size();
}

bool FoldedColumn::contains(int row, std::string_view needle) const
{
    const std::size_t from = start(row);
    return memmem(text_.data() + from, ends_[std::size_t(row)] - from, needle.data(), needle.size()) != nullptr;
}

void FoldedColumn::markRows(std::string_view needle, std::vector<char>& marks) const
{
    std::size_t row = 0;
    for (std::size_t from = 0; from < text_.size();) {
        const void* hit = memmem(text_.data() + from, text_.size() - from, needle.data(), needle.size());
        if (!hit)
            return;
        const auto at = std::size_t(static_cast<const char*>(hit) - text_.data());
        while (ends_[row] <= at)
            ++row;
        if (at + needle.size() <= ends_[row]) {
            marks[row] = 1;
            from = ends_[row]; // on to the next row
        } else {
            from = at + 1; // the hit runs into the next row: not a match
        }
    }
}
