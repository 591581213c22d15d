// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The folded texts of one column, row by row, end to end in one block of
// memory: a deck's texts cost their bytes and one number a row, and a
// search of a row is one look at a contiguous piece.
class FoldedColumn {
public:
    int size() const { return int(ends_.size()); }
    void clear();
    void append(std::string_view text);
    // `count` empty rows before `row`.
    void insert(int row, int count);
    void remove(int first, int count);
    void set(int row, std::string_view text);
    bool contains(int row, std::string_view needle) const;
    // Sets marks[row] for each row that contains `needle`: one pass over the
    // block, far quicker than a look at each row.
    void markRows(std::string_view needle, std::vector<char>& marks) const;

private:
    std::size_t start(int row) const { return row == 0 ? 0 : ends_[std::size_t(row - 1)]; }

    std::string text_;
    std::vector<std::size_t> ends_; // where each row's text ends in text_
};
