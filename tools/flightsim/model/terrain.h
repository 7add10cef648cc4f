// Ground elevation under the aircraft: flat, or a profile of elevations along one direction
// (linear between the given points, level beyond the first and the last).
#pragma once

#include <utility>
#include <vector>

class terrain {
public:
    terrain() = default;
    explicit terrain(double elevation) : base_(elevation), highest_(elevation) {}
    // Elevations (metres) at distances (metres, increasing) along the direction of heading
    // (degrees true) measured from north 0, east 0.
    terrain(double heading_degrees, std::vector<std::pair<double, double>> profile);

    double elevation(double north, double east) const;
    // The highest elevation anywhere.
    double highest() const { return highest_; }

private:
    double base_ = 0.0;
    double highest_ = base_;
    double direction_north_ = 1.0, direction_east_ = 0.0;
    std::vector<std::pair<double, double>> profile_;
};
