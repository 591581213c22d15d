// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <random>

namespace store {

class DataControl;

// The program's pseudo-random numbers: single-precision values in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
};

// The generator the program uses, seeded once per run from the time of day.
class Generator : public RandomSource {
public:
    void seed(float value);
    // 24 random bits scaled by 2^-24: every value is exact in a float and
    // never reaches 1.0, unlike std::generate_canonical<float>, which can.
    float next() override;

private:
    std::mt19937 engine_;
};

// How many draws go by between checks that some entry can still be drawn.
inline constexpr long kDrawsBetweenChecks = 1000;

// From the whole table, leaves `data` on one entry drawn at random among IDs 1
// to the largest (read once as a 16-bit integer: ErrorCode::Overflow above
// 32767), its record source narrowed to it. Draw r opens floor(r * largest) + 1,
// drawing again over gaps. Before the first draw and every kDrawsBetweenChecks
// draws an indexed query checks that some entry is in range, so the loop ends:
// ErrorCode::NoEntryInRange if none is. Every error passes to the caller.
void PickRandomEntry(DataControl& data, RandomSource& random);

// The candidate ID for draw `r` and largest ID `largest`: from 1 to largest
// for any r in [0, 1). The product is taken in double precision, where it is
// exact, so rounding can never lift the candidate above the largest ID.
std::int16_t candidateId(float r, std::int16_t largest);

} // namespace store
