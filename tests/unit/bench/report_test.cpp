// make bench prints the figures that answer how close cvcc comes to the
// baseline, and leaves every column to its table.md.
#include "bench/report.h"

#include <gtest/gtest.h>

namespace {

TEST(BenchReport, TheTerminalGetsSixColumnsAndTheFileAllOfThem) {
    bench::Row row{};
    row.c.command = "--List", row.c.n = 10;
    row.wallMs = 3028.4, row.clientMs = 28.44, row.baselineMs = 21.6, row.peakRssMiB = 9.06;
    row.ok = row.sameCalls = true;
    // A failed run, and the JSON mode's cost against the plain row.
    bench::Row json = row;
    json.c.command = "--Json --List", json.clientMs = 29.86, json.ok = false;
    json.c.against = "--List", json.peakRssMiB = 9.31;
    EXPECT_EQ(bench::CompactTable({row, json}),
              "| command | N | client ms | baseline ms | ratio | peak RSS MiB |\n"
              "|---|---:|---:|---:|---:|---:|\n"
              "| --List | 10 | 28.4 | 21.6 | 1.32 | 9.1 |\n"
              "| --Json --List | 10 | 29.9 | 21.6 | 1.38 | 9.3 (see table.md) |\n"
              "\n--Json --List against --List at N=10, client ms: 1.05, peak RSS: +0.25 MiB\n");
    const std::string full = bench::Table({row}, 105.1, 115.0, 3);
    for (const char* column : {"wall ms", "bnsim calls", "omniNames calls", "exec→1st request ms",
                               "same calls", "3028.4"})
        EXPECT_NE(full.find(column), std::string::npos) << column;
}

}  // namespace
