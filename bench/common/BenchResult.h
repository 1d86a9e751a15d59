#pragma once

// The rounds of a benchmark and its result line. Ours and the baseline run in alternating
// rounds, so load that comes and goes on a shared machine weighs on both alike; the ratio is
// the median of the rounds' ratios, shown with their spread.

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench
{

// At least this many alternating rounds in every benchmark.
inline constexpr int kMinRounds = 10;

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Rounds
{
public:
    // One round's measurement of ours and of the baseline, in the same unit.
    void Add(double ours, double baseline)
    {
        m_ours.push_back(ours);
        m_baseline.push_back(baseline);
        m_ratios.push_back(baseline > 0 ? ours / baseline : 0);
    }

    double Ratio() const { return Median(m_ratios); }
    double LastRatio() const { return m_ratios.empty() ? 0 : m_ratios.back(); }
    int Count() const { return static_cast<int>(m_ratios.size()); }
    const std::vector<double> &Ours() const { return m_ours; }
    const std::vector<double> &Baseline() const { return m_baseline; }

    // "<n> rounds, round ratios <lowest> to <highest>".
    void PrintSpread(std::FILE *out) const
    {
        const auto [lo, hi] = std::minmax_element(m_ratios.begin(), m_ratios.end());
        std::fprintf(out, "%d rounds, round ratios %.2f to %.2f", Count(),
                     m_ratios.empty() ? 0 : *lo, m_ratios.empty() ? 0 : *hi);
    }

    // The one line the benchmark runner looks for:
    //   bench <name>: <ours> <unit>, baseline <b> <unit>, <spread>, ratio <r>, target <t>
    // ours and baseline are the medians of the rounds, r the median of the rounds' ratios.
    void PrintResult(const char *name, const char *unit, double target) const
    {
        std::printf("bench %s: %.1f %s, baseline %.1f %s, ", name, Median(m_ours), unit,
                    Median(m_baseline), unit);
        PrintSpread(stdout);
        std::printf(", ratio %.2f, target %g\n", Ratio(), target);
        std::fflush(stdout);
    }

private:
    std::vector<double> m_ours, m_baseline, m_ratios;
};

} // namespace bench
