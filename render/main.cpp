// tavelin-render: renders .nfo files to PNG images with the viewer's own
// document and composer code, for scripts, web pages and file-manager
// thumbnails. This file runs the command line: each file in turn, errors
// named with their file, a progress count on a terminal, the exit status.
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "render/render_job.h"
#include "render/render_options.h"

#ifndef TAVELIN_VERSION
#define TAVELIN_VERSION "unknown"
#endif

namespace {

const char program[] = "tavelin-render";

// Files whose images take long enough that a count helps.
const size_t progressFrom = 4;

struct FileId {
    dev_t device;
    ino_t inode;
};

// The input files that exist, each stat'ed once for the whole batch.
std::vector<FileId> inputFiles(const std::vector<RenderTask>& tasks)
{
    std::vector<FileId> files;
    for (const RenderTask& task : tasks) {
        struct stat in;
        if (stat(task.input.c_str(), &in) == 0)
            files.push_back({ in.st_dev, in.st_ino });
    }
    return files;
}

// True when the output would overwrite one of the input files.
bool outputIsAnInput(const std::string& output, const std::vector<FileId>& inputs)
{
    struct stat out;
    if (output == "-" || stat(output.c_str(), &out) != 0)
        return false;
    for (const FileId& in : inputs)
        if (in.device == out.st_dev && in.inode == out.st_ino)
            return true;
    return false;
}

// How a file was read, for -v.
std::string readingName(const TextReading& reading)
{
    std::string name;
    switch (reading.encoding) {
    case TextEncoding::utf8: name = "UTF-8"; break;
    case TextEncoding::utf16le: name = "UTF-16LE"; break;
    case TextEncoding::utf16be: name = "UTF-16BE"; break;
    case TextEncoding::utf8FromWindows1252: name = "double-encoded Windows-1252 UTF-8, restored"; break;
    case TextEncoding::utf8FromLatin1: name = "double-encoded Latin-1 UTF-8, restored"; break;
    default: name = "code page 437";
    }
    char why[128];
    if (reading.encoding == TextEncoding::utf8 && whyNotRestored(reading.artEvidence, why, sizeof why))
        name += std::string("; ") + why;
    if (reading.sauceLeftOut)
        name += ", SAUCE record left out";
    return name;
}

// What ANSI art was drawn as, for -v.
std::string artName(const RenderOutcome& outcome)
{
    const AnsiLayout& layout = outcome.layout;
    std::string name = "ANSI art, " + std::to_string(layout.columns) + " columns";
    if (layout.columnsCut)
        name += " (cut from a wider width)";
    name += layout.ice ? ", iCE colours" : ", blinking colours";
    name += ", " + std::to_string(layout.cellWidth) + "-pixel cells";
    if (outcome.canvasCut)
        name += ", cut where the canvas reached its bound";
    return name;
}

void describe(const RenderTask& task, const RenderOutcome& outcome, bool text)
{
    const PngFormat& f = outcome.format;
    std::string format = f.palette ? std::to_string(f.bitDepth) + "-bit palette of " +
                                         std::to_string(f.colors.size())
                                   : std::string("RGB");
    if (text)
        fprintf(stderr, "%s: %s -> %s: text", program, task.input.c_str(), task.output.c_str());
    else
        fprintf(stderr, "%s: %s -> %s: %d x %d, %s", program, task.input.c_str(), task.output.c_str(),
                outcome.width, outcome.height, format.c_str());
    fprintf(stderr, ", read as %s", readingName(outcome.reading).c_str());
    if (outcome.ansi)
        fprintf(stderr, ", %s", artName(outcome).c_str());
    if (outcome.reading.unmapped)
        fprintf(stderr, ", %llu character%s without a glyph drawn as '?'",
                (unsigned long long)outcome.reading.unmapped, outcome.reading.unmapped == 1 ? "" : "s");
    fputc('\n', stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    RenderOptions options = parseRenderOptions(argc, argv);
    if (!options.usageError.empty()) {
        fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program, options.usageError.c_str(),
                program);
        return 2;
    }
    if (options.showHelp) {
        fputs(renderUsage, stdout);
        return 0;
    }
    if (options.showVersion) {
        printf("%s %s\n", program, TAVELIN_VERSION);
        return 0;
    }

    const std::vector<RenderTask>& tasks = options.tasks;
    bool progress = !options.quiet && tasks.size() >= progressFrom && isatty(STDERR_FILENO);
    int failures = 0;
    const std::vector<FileId> inputs = inputFiles(tasks);
    for (size_t i = 0; i < tasks.size(); ++i) {
        const RenderTask& task = tasks[i];
        if (progress)
            fprintf(stderr, "\r%s: %zu/%zu\033[K", program, i + 1, tasks.size());
        std::string error;
        RenderOutcome outcome = {};
        if (outputIsAnInput(task.output, inputs))
            error = "not written: " + task.output + " is an input file";
        else {
            outcome = options.text ? writeText(task.input, options.encoding, options.art)
                                   : renderFile(task.input, task.output, options.request, options.encoding,
                                                options.art);
            if (!outcome.error.empty())
                error = outcome.inputFailed ? outcome.error : "cannot write " + task.output + ": " + outcome.error;
        }
        if (progress && (!error.empty() || options.verbose))
            fputs("\r\033[K", stderr);
        if (!error.empty()) {
            fprintf(stderr, "%s: %s: %s\n", program, task.input.c_str(), error.c_str());
            ++failures;
        } else if (options.verbose) {
            describe(task, outcome, options.text);
        }
    }
    if (progress)
        fputs("\r\033[K", stderr);
    return failures ? 1 : 0;
}
