// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MaterialCase.h"

#include <benchmark/benchmark.h>

#include <iosfwd>
#include <map>
#include <vector>

namespace morvane::bench
{

/** The console report, followed by a table of the material benchmarks: ns per stereo frame of
    each material on each engine path in each block size (the median of the repetitions, or the
    one run), the ratio of each to stereo noise measured alongside it, and how the figures stand
    against the targets.

    Thread rule: the benchmark library's reporting thread. */
class MaterialTable : public benchmark::ConsoleReporter
{
public:
    /** How far any material may cost more than stereo noise; how many ns per frame the AVX2
        path may take in blocks of 512; how far blocks of 32 may cost more than blocks of 512. */
    static constexpr double materialLimit = 1.10;
    static constexpr double avx2Limit = 20.0;
    static constexpr double smallBlockLimit = 1.2;

    explicit MaterialTable(OutputOptions options) : benchmark::ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    /** The table and the verdicts, for the figures gathered so far. */
    void print(std::ostream& out) const;

private:
    double nsPerFrame(const MaterialCase& which) const;

    std::map<MaterialCase, std::vector<double>> runsNs;
    std::map<MaterialCase, double> medianNs;
};

} // namespace morvane::bench
