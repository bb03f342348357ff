#pragma once

// A horizontal tank as it lies: tilted along its axis, read by a dipstick standing anywhere on
// the bottom of the shell.
//
// The straight shell runs along the axis from seam A (s = 0) to seam B (s = L); the heads lie
// beyond the seams. The fall F is how much lower the shell's bottom line is at seam B than at
// seam A (negative: A is lower), so sin(alpha) = F / L; or the tilt is given in degrees. The
// dipstick stands on the inside bottom of the shell at X from seam A and reads vertically from
// there; the volume at a reading is all the liquid below that horizontal surface, the striker
// plate raising every reading as on a level tank.

#include <optional>
#include <string>

#include "chart/chart.h"
#include "chart/measures.h"

namespace dipsheet::chart {

// The tilt as typed: the fall or the degrees (at most one), and the dip point (empty: the
// middle of the shell).
struct TiltTexts {
    std::string fall, degrees, dipAt;

    bool any() const { return !fall.empty() || !degrees.empty() || !dipAt.empty(); }
};

// The tilt read against the shell's length: the angle's sine and cosine, and the dip point.
struct Tilt {
    double sine = 0, cosine = 1;
    double dipAt = 0;
};

// The tilt of the texts; none for a level tank (no fall or a fall of 0, which charts as the
// level tank does, bit for bit). Throws InputError naming "Fall to end B", "Tilt" or "Dip at"
// for a text that is no number, both a fall and degrees, |F| >= L, |degrees| >= 90, or a dip
// point outside 0 ... L.
std::optional<Tilt> readTilt(const TiltTexts& texts, double length, const NumberFormat& format);

// The volume functions of a tilted horizontal cylinder (with its heads) and rectangular tank,
// by the liquid height above the dip point, in double precision: 0 below the lowest point
// inside, the full tank from the highest. top() is the height at which the tank is full.
TankVolume tiltedCylinderVolume(const ChartOptions& options, const CylinderMeasures& tank,
                                const Tilt& tilt);
TankVolume tiltedRectangleVolume(const ChartOptions& options, const RectangleMeasures& tank,
                                 const Tilt& tilt);

}  // namespace dipsheet::chart
