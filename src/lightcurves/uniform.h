// Light curves of a uniformly bright source disk.
//
// witt_mao_magnification: entry i is witt_mao_magnification_scaled(l[i] * rho,
// rho) with rho = rstar / re, separations in source radii. The entries are
// computed on the worker pool in chunks of the batch kernel, each written
// into its own slot; the batch kernel gives the scalar kernel's bits, so
// results do not depend on the pool size, the scheduling or the machine.
//
// multi_witt_mao_magnification: one such light curve for every pair
// (re[i], rstar[j]), re varying slowest: curve k = i * rstar.size() + j. The
// curves are a parallel map whose entries are themselves parallel maps on
// the same pool.
//
// Neither reports a failure; a kernel that cannot evaluate gives a NaN entry.
// Both stop, with the failure `interrupted`, when the interruption says so
// (asked by the calling thread between chunks of the map).
#pragma once

#include <vector>

#include "numerics/interruption.h"
#include "numerics/outcome.h"

namespace caustix {

Outcome<std::vector<double>> witt_mao_magnification(std::vector<double> l, double re, double rstar,
                                                    Interruption& interruption = Interruption::none());

Outcome<std::vector<std::vector<double>>> multi_witt_mao_magnification(
    std::vector<double> l, std::vector<double> re, std::vector<double> rstar,
    Interruption& interruption = Interruption::none());

}  // namespace caustix
