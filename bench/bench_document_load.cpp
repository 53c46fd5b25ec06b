// Loading a 100 MB .nfo file as a TextDocument (open, read, split, index,
// measure the widest line, free) against the bare minimum any viewer pays:
// read() of the whole file into a fresh zero-filled buffer; once as code page
// 437, once saved as UTF-8, which is decoded on the way, and once a 100 MB
// ANSI art file, whose escape sequences are interpreted onto its canvas. The
// document's counter "x_read" is its time as a multiple of that baseline. The
// files come from bench_file.h and bench_ansi_art.h; the memory figures are
// taken in bench_main.cpp.
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <benchmark/benchmark.h>

#include "bench/bench_ansi_art.h"
#include "bench/bench_file.h"
#include "bench/bench_summary.h"
#include "document/text_document.h"

namespace {

// The file of a run: argument 0 the code page 437 file, 1 its UTF-8 copy,
// 2 the ANSI art.
const char* benchFile(const benchmark::State& state)
{
    static const char* const paths[3] = { benchfile::hostPath, benchfile::hostUtf8Path, ansiart::largePath };
    return paths[state.range(0)];
}

bool benchFileReady(const benchmark::State& state)
{
    if (state.range(0) == 2)
        return ansiart::largeReady();
    return benchfile::ready(benchFile(state), state.range(0) != 0);
}

const char* const loadFigures[3] = { "document load, 100 MB file", "document load, 100 MB UTF-8 file",
                                     "ANSI art load (interpreted onto its canvas), 100 MB file" };

// Seconds per iteration of the latest run of each baseline, for the ratio.
double readSeconds[3];

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_FileRead(benchmark::State& state)
{
    if (!benchFileReady(state)) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const int descriptor = open(benchFile(state), O_RDONLY);
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
    readSeconds[state.range(0)] = secondsSince(start) / (double)state.iterations();
    state.SetBytesProcessed((int64_t)state.iterations() * benchfile::size);
}

void BM_DocumentLoad(benchmark::State& state)
{
    if (!benchFileReady(state)) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    int32_t lines = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        TextDocument* document = new TextDocument(benchFile(state));
        benchmark::DoNotOptimize(document->getWidestLine());
        lines = document->getLineCount();
        delete document;
    }
    const double seconds = secondsSince(start) / (double)state.iterations();
    state.SetBytesProcessed((int64_t)state.iterations() * benchfile::size);
    state.counters["lines"] = lines;
    const double baseline = readSeconds[state.range(0)];
    if (baseline > 0) {
        state.counters["x_read"] = seconds / baseline;
        summary::record(loadFigures[state.range(0)], seconds / baseline, "read() of the file");
    }
}

}  // namespace

BENCHMARK(BM_FileRead)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DocumentLoad)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
