// Loading a 100 MB .nfo file as a TextDocument (open, read, split, index,
// measure the widest line, free) against the bare minimum any viewer pays:
// read() of the whole file into a fresh zero-filled buffer. The document's
// counter "x_read" is its time as a multiple of that baseline.
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include <benchmark/benchmark.h>

#include "document/text_document.h"

namespace {

const char benchFile[] = "/tmp/tavelin-bench-100mb.nfo";
const off_t benchSize = 100 << 20;

// A deterministic stream of numbers, so every machine gets the same file.
struct Lcg {
    uint32_t state;
    uint32_t next(uint32_t bound)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

// One line of 40 to 80 columns: block and box drawing characters with spaces
// and some words between them; some lines are indented with a tab.
std::string makeLine(Lcg& random)
{
    static const uint8_t art[] = { 0xDB, 0xDC, 0xDF, 0xDD, 0xDE, 0xB0, 0xB1, 0xB2, 0xC4, 0xCD,
                                   0xB3, 0xBA, 0xC9, 0xBB, 0xC8, 0xBC, 0xDA, 0xBF, 0xC0, 0xD9 };
    static const char* const words[] = { "release", "group", "greets", "date", "size", "crack", "notes" };
    std::string line;
    if (random.next(8) == 0)
        line += '\t';
    const size_t width = 40 + random.next(41);
    while (line.size() < width) {
        switch (random.next(4)) {
        case 0: line.append(1 + random.next(6), ' '); break;
        case 1: line += words[random.next(7)]; break;
        default:
            for (uint32_t n = 1 + random.next(8); n > 0; --n)
                line += (char)art[random.next(sizeof art)];
        }
    }
    line.resize(width);
    return line + "\r\n";
}

bool benchFileReady()
{
    struct stat status;
    if (stat(benchFile, &status) == 0 && status.st_size >= benchSize)
        return true;
    FILE* file = fopen(benchFile, "wb");
    if (!file)
        return false;
    Lcg random = { 12345 };
    off_t written = 0;
    while (written < benchSize) {
        const std::string line = makeLine(random);
        fwrite(line.data(), 1, line.size(), file);
        written += (off_t)line.size();
    }
    return fclose(file) == 0;
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
    if (readSeconds > 0)
        state.counters["x_read"] = seconds / readSeconds;
}

}  // namespace

BENCHMARK(BM_FileRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DocumentLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
