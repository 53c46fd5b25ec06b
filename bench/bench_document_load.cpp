// Loading a 100 MB .nfo file as a TextDocument (open, read, split, index,
// measure the widest line, free) against the bare minimum any viewer pays:
// read() of the whole file into a fresh zero-filled buffer. The document's
// counter "x_read" is its time as a multiple of that baseline. The file comes
// from bench_file.h; its memory figure is taken in bench_main.cpp.
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <benchmark/benchmark.h>

#include "bench/bench_file.h"
#include "bench/bench_summary.h"
#include "document/text_document.h"

namespace {

const char* const benchFile = benchfile::hostPath;
const off_t benchSize = (off_t)benchfile::size;

bool benchFileReady()
{
    return benchfile::ready(benchFile);
}

// Seconds per iteration of the latest run of the baseline, for the ratio.
double readSeconds = 0;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_FileRead(benchmark::State& state)
{
    if (!benchFileReady()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const int descriptor = open(benchFile, O_RDONLY);
        struct stat status;
        fstat(descriptor, &status);
        uint8_t* buffer = (uint8_t*)calloc(1, (size_t)status.st_size + 5);
        for (size_t done = 0; done < (size_t)status.st_size;) {
            const ssize_t got = read(descriptor, buffer + 1 + done, (size_t)status.st_size - done);
            if (got <= 0)
                break;
            done += (size_t)got;
        }
        close(descriptor);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
        free(buffer);
    }
    readSeconds = secondsSince(start) / (double)state.iterations();
    state.SetBytesProcessed((int64_t)state.iterations() * benchSize);
}

void BM_DocumentLoad(benchmark::State& state)
{
    if (!benchFileReady()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    int32_t lines = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        TextDocument* document = new TextDocument(benchFile);
        benchmark::DoNotOptimize(document->getWidestLine());
        lines = document->getLineCount();
        delete document;
    }
    const double seconds = secondsSince(start) / (double)state.iterations();
    state.SetBytesProcessed((int64_t)state.iterations() * benchSize);
    state.counters["lines"] = lines;
    if (readSeconds > 0) {
        state.counters["x_read"] = seconds / readSeconds;
        summary::record("document load, 100 MB file", seconds / readSeconds, "read() of the file");
    }
}

}  // namespace

BENCHMARK(BM_FileRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DocumentLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
