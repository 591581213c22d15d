// SPDX-License-Identifier: MIT
#include "randompick.h"

#include "datacontrol.h"
#include "error.h"
#include "recordsource.h"
#include "value.h"

#include <bit>
#include <cmath>
#include <string>

namespace store {

void Generator::seed(float value)
{
    std::seed_seq sequence{std::bit_cast<std::uint32_t>(value)};
    engine_.seed(sequence);
}

float Generator::next()
{
    return static_cast<float>(engine_() >> 8) * 0x1p-24f;
}

std::int16_t candidateId(float r, std::int16_t largest)
{
    return static_cast<std::int16_t>(std::floor(static_cast<double>(r) * largest) + 1);
}

void PickRandomEntry(DataControl& data, RandomSource& random)
{
    data.Recordset().MoveLast();
    const std::int16_t largest = toInt16(data.Recordset().Fields("ID"));

    for (long draws = 0;; ++draws) {
        if (draws % kDrawsBetweenChecks == 0 && !data.hasEntryBetween(1, largest))
            throw Error(ErrorCode::NoEntryInRange,
                        "No entry has an ID from 1 to " + std::to_string(largest) + ", so none can be drawn");
        const std::int16_t candidate = candidateId(random.next(), largest);
        data.setRecordSource(kOneEntryQuery + std::to_string(candidate));
        data.Refresh();
        if (data.Recordset().RecordCount() > 0)
            return;
    }
}

} // namespace store
