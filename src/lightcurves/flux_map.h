// Light curves of a star whose radial brightness the caller tabulates: the
// flux map, radii bl (source radii) and brightness or weights bf.
//
// discrete_flux_map_heyrovsky_magnification: the map read as rings. Entry i
// is sum_j heyrovsky_magnification(l[i], bl[j], re, rstar) * bf[j], without
// normalisation; the first ring-kernel failure (separations in order, table
// entries in order) ends the call and is returned.
//
// Tables of different lengths are an internal fault,
// "assertion `left == right` failed\n  left: <bl size>\n right: <bf size>".
#pragma once

#include <vector>

#include "numerics/outcome.h"

namespace caustix {

Outcome<std::vector<double>> discrete_flux_map_heyrovsky_magnification(
    std::vector<double> l, double re, double rstar, std::vector<double> bl, std::vector<double> bf);

}  // namespace caustix
