// SPDX-License-Identifier: MIT
#pragma once

// Sources of draws for the random pick: chosen values, or the program's own
// generator with its draws counted.

#include "randompick.h"

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

// Draws exactly the values given, in turn, over and over, and can act on each
// draw (to change the file while the pick is drawing).
class DrawSequence : public store::RandomSource {
public:
    explicit DrawSequence(std::vector<float> values = {0.0f}) : values_(std::move(values)) { }

    float next() override
    {
        const float value = values_[calls_++ % values_.size()];
        if (onDraw)
            onDraw(calls_);
        return value;
    }

    std::size_t calls() const { return calls_; }
    std::function<void(std::size_t call)> onDraw;

private:
    std::vector<float> values_;
    std::size_t calls_ = 0;
};

// The program's generator, seeded, counting its draws: one draw is one try
// of the pick.
class CountingRandom : public store::RandomSource {
public:
    explicit CountingRandom(float seed) { generator_.seed(seed); }

    float next() override
    {
        ++draws;
        return generator_.next();
    }

    long draws = 0;

private:
    store::Generator generator_;
};
