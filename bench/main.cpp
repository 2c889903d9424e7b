// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmarks, reported on the console and followed by the table of the material benchmarks.
#include "MaterialBench.h"
#include "MaterialTable.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    using Options = benchmark::ConsoleReporter::OutputOptions;
    const auto options =
        isatty(STDOUT_FILENO) != 0 ? Options::OO_ColorTabular : Options::OO_Tabular;
    morvane::bench::MaterialTable table(options);
    benchmark::RunSpecifiedBenchmarks(&table);
    morvane::bench::releaseMaterialPlayers();
    benchmark::Shutdown();
    return 0;
}
