#include "study/FsrsScheduler.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::array<double, 21> kW = {
    0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194, 0.001,  1.8722, 0.1666, 0.796,
    1.4835, 0.0614, 0.2629, 1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542,
};
constexpr double kRetention = 0.9;
constexpr double kMinStability = 0.001;
constexpr double kMaxStability = 36500;
constexpr int kMaxInterval = 36500;

// The reference rounds half-way cases up (toward +infinity), also below zero.
double RoundHalfUp(double x)
{
    return std::floor(x + 0.5);
}

// Every intermediate value is rounded to 8 decimals as the reference does,
// so that long sequences do not drift apart.
double Round8(double x)
{
    return RoundHalfUp(x * 1e8) / 1e8;
}

const double kDecay = -kW[20];
const double kFactor = Round8(std::exp(std::log(0.9) / kDecay) - 1);
const double kIntervalModifier = Round8((std::pow(kRetention, 1 / kDecay) - 1) / kFactor);

double ForgettingCurve(double elapsedDays, double stability)
{
    return Round8(std::pow(1 + kFactor * elapsedDays / stability, kDecay));
}

double InitialDifficulty(int g)
{
    return Round8(kW[4] - std::exp((g - 1) * kW[5]) + 1);
}

double InitialStability(int g)
{
    return std::max(kW[g - 1], 0.1);
}

double NextDifficulty(double d, int g)
{
    const double delta = -kW[6] * (g - 3);
    const double damped = d + Round8(delta * (10 - d) / 9);
    const double reverted = Round8(kW[7] * InitialDifficulty(4) + (1 - kW[7]) * damped);
    return std::clamp(reverted, 1.0, 10.0);
}

double RecallStability(double d, double s, double r, int g)
{
    const double hardPenalty = g == 2 ? kW[15] : 1;
    const double easyBonus = g == 4 ? kW[16] : 1;
    const double grown = s * (1 + std::exp(kW[8]) * (11 - d) * std::pow(s, -kW[9]) *
                                      (std::exp((1 - r) * kW[10]) - 1) * hardPenalty * easyBonus);
    return Round8(std::clamp(grown, kMinStability, kMaxStability));
}

double ForgetStability(double d, double s, double r)
{
    const double after = Round8(std::clamp(
        kW[11] * std::pow(d, -kW[12]) * (std::pow(s + 1, kW[13]) - 1) * std::exp((1 - r) * kW[14]),
        kMinStability, kMaxStability));
    // Forgetting never raises stability.
    return std::min(std::max(Round8(s), kMinStability), after);
}

int Interval(double stability)
{
    const double days = RoundHalfUp(stability * kIntervalModifier);
    return static_cast<int>(std::min<double>(std::max(1.0, days), kMaxInterval));
}

struct Memory {
    double m_dStability;
    double m_dDifficulty;
};

Memory NextMemory(const ReviewState& state, double r, int g)
{
    if (state.m_nReviews == 0)
        return {InitialStability(g), std::clamp(InitialDifficulty(g), 1.0, 10.0)};
    const double d = state.m_dDifficulty;
    const double s = state.m_dStability;
    const double stability = g == 1 ? ForgetStability(d, s, r) : RecallStability(d, s, r, g);
    return {stability, NextDifficulty(d, g)};
}

} // namespace

ReviewState FsrsScheduler::Review(const ReviewState& state, qint32 day, ReviewRating rating)
{
    const bool first = state.m_nReviews == 0;
    const double elapsed = first ? 0 : std::max<qint64>(0, qint64(day) - state.m_nLastDay);
    const double r = first ? 1 : ForgettingCurve(elapsed, state.m_dStability);

    // The intervals of the four grades are kept apart by at least a day, so
    // each grade's interval depends on the stabilities of all four.
    std::array<Memory, 4> next{};
    std::array<int, 4> interval{};
    for (int g = 1; g <= 4; ++g) {
        next[g - 1] = NextMemory(state, r, g);
        interval[g - 1] = Interval(next[g - 1].m_dStability);
    }
    interval[0] = std::min(interval[0], interval[1]);
    interval[1] = std::max(interval[1], interval[0] + 1);
    interval[2] = std::max(interval[2], interval[1] + 1);
    interval[3] = std::max(interval[3], interval[2] + 1);

    const int g = static_cast<int>(rating);
    ReviewState after = state;
    after.m_dStability = next[g - 1].m_dStability;
    after.m_dDifficulty = next[g - 1].m_dDifficulty;
    after.m_nLastDay = day;
    after.m_nDueDay = day + interval[g - 1];
    after.m_nReviews = state.m_nReviews + 1;
    if (!first && rating == ReviewRating::Again)
        ++after.m_nLapses;
    return after;
}

double FsrsScheduler::Retrievability(const ReviewState& state, qint32 day)
{
    if (state.m_nReviews == 0 || state.m_dStability <= 0)
        return 0;
    return ForgettingCurve(std::max<qint64>(0, qint64(day) - state.m_nLastDay), state.m_dStability);
}
