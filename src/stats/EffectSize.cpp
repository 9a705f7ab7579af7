#include "stats/EffectSize.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <cmath>

namespace brevane {

double EffectW(double statistic, double df, std::uint64_t n) {
    return std::sqrt(std::max(0.0, statistic - df) / static_cast<double>(n));
}

std::optional<double> DetectableW(double df, std::uint64_t n, double level) {
    if (!(level > 0)) return std::nullopt;
    if (level >= DetectionPower) return 0.0;
    const boost::math::chi_squared_distribution<double> central(df);
    const double critical = boost::math::quantile(boost::math::complement(central, level));
    // The noncentrality whose upper tail beyond the critical value is DetectionPower.
    const double lambda =
        boost::math::non_central_chi_squared_distribution<double>::find_non_centrality(
            boost::math::complement(df, critical, DetectionPower));
    return std::sqrt(lambda / static_cast<double>(n));
}

}  // namespace brevane
