#include "tools/flightsim/model/terrain.h"

#include <cstddef>

#include "tools/flightsim/model/sim_math.h"

terrain::terrain(double heading_degrees, std::vector<std::pair<double, double>> profile)
    : profile_(std::move(profile))
{
    sim::sincos(heading_degrees / sim::degrees_per_radian, direction_east_, direction_north_);
    if (!profile_.empty()) base_ = profile_.front().second;
    highest_ = base_;
    for (const auto& point : profile_) highest_ = point.second > highest_ ? point.second : highest_;
}

double terrain::elevation(double north, double east) const
{
    if (profile_.empty()) return base_;
    const double distance = north * direction_north_ + east * direction_east_;
    if (distance <= profile_.front().first) return profile_.front().second;
    for (std::size_t i = 1; i < profile_.size(); ++i) {
        const auto& [d1, e1] = profile_[i];
        if (distance <= d1) {
            const auto& [d0, e0] = profile_[i - 1];
            return d1 > d0 ? e0 + (e1 - e0) * ((distance - d0) / (d1 - d0)) : e1;
        }
    }
    return profile_.back().second;
}
