// Ordering of the particle sets by creation sequence number. Birth indices
// only grow, so a set ordered this way walks its records oldest first.
#pragma once

struct EarlierBirth {
    template <typename Record>
    bool operator()(const Record& a, const Record& b) const
    {
        return a.birthIndex < b.birthIndex;
    }
};
