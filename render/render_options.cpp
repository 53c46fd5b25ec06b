// The renderer's command line (render_options.h), read with getopt_long.
#include "render/render_options.h"

#include <errno.h>
#include <getopt.h>
#include <stdlib.h>
#include <string.h>

const char renderUsage[] =
    "Usage: tavelin-render [OPTION]... FILE...\n"
    "Render .nfo files to PNG images, as the Tavelin viewer draws them.\n"
    "Each FILE becomes FILE.png beside it unless -o or -d says otherwise;\n"
    "a FILE of - is standard input, drawn to standard output.\n"
    "\n"
    "  -o, --output=OUT        write the one image to OUT (- is standard output)\n"
    "  -d, --output-dir=DIR    write FILE.png into DIR\n"
    "      --view=WxH          the view of that size, as on screen (default: the whole text)\n"
    "      --at=P              with --view: P pixels scrolled from the start\n"
    "      --no-fade           with --view: leave the top and bottom edges unfaded\n"
    "  -t, --thumbnail=SIZE    the top of the text scaled down to SIZE pixels at most;\n"
    "                          --thumbnail SIZE INPUT OUTPUT writes OUTPUT\n"
    "      --fg=RRGGBB         text colour (default FFFFFF)\n"
    "      --bg=RRGGBB         background colour (default 404040)\n"
    "  -s, --scale=N           draw each pixel as an N x N block, 1 to 8 (default 1)\n"
    "  -e, --encoding=ENC      cp437, utf-8, utf-16 or auto (default auto)\n"
    "      --format=FORMAT     nfo, ansi or auto (default auto: ANSI art by its\n"
    "                          SAUCE record, a .ans name or its colour codes)\n"
    "      --columns=N         ANSI art: N columns (default: SAUCE, else 80; at most 4096)\n"
    "      --ice=on|off        ANSI art: blink as bright backgrounds (default: SAUCE)\n"
    "      --cell-width=8|9    ANSI art: cell width in pixels (default: SAUCE, else 8)\n"
    "      --text              write the text as UTF-8 to standard output instead,\n"
    "                          each character as drawn, line ends as in the file\n"
    "  -q, --quiet             no progress count\n"
    "  -v, --verbose           say what was written for each file\n"
    "  -h, --help              show this help and exit\n"
    "  -V, --version           show the version and exit\n"
    "\n"
    "Exit status: 0 when every file was rendered, 1 when any failed, 2 for a usage error.\n";

namespace {

enum LongOnly { optView = 256, optAt, optNoFade, optFg, optBg, optText, optFormat, optColumns, optIce, optCellWidth };

const option longOptions[] = {
    { "output", required_argument, nullptr, 'o' },
    { "output-dir", required_argument, nullptr, 'd' },
    { "view", required_argument, nullptr, optView },
    { "at", required_argument, nullptr, optAt },
    { "no-fade", no_argument, nullptr, optNoFade },
    { "thumbnail", required_argument, nullptr, 't' },
    { "fg", required_argument, nullptr, optFg },
    { "bg", required_argument, nullptr, optBg },
    { "scale", required_argument, nullptr, 's' },
    { "encoding", required_argument, nullptr, 'e' },
    { "text", no_argument, nullptr, optText },
    { "format", required_argument, nullptr, optFormat },
    { "columns", required_argument, nullptr, optColumns },
    { "ice", required_argument, nullptr, optIce },
    { "cell-width", required_argument, nullptr, optCellWidth },
    { "quiet", no_argument, nullptr, 'q' },
    { "verbose", no_argument, nullptr, 'v' },
    { "help", no_argument, nullptr, 'h' },
    { "version", no_argument, nullptr, 'V' },
    { nullptr, 0, nullptr, 0 },
};

// A whole number from low to high, nothing else in the text.
bool parseNumber(const char* text, long low, long high, int32_t* value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || v < low || v > high)
        return false;
    *value = (int32_t)v;
    return true;
}

bool parseViewSize(const char* text, int32_t* width, int32_t* height)
{
    const char* x = strpbrk(text, "xX");
    if (!x)
        return false;
    std::string w(text, (size_t)(x - text));
    return parseNumber(w.c_str(), 1, 0x7FFFFFFF, width) && parseNumber(x + 1, 1, 0x7FFFFFFF, height);
}

bool parseEncoding(const char* text, EncodingChoice* choice)
{
    if (!strcmp(text, "cp437"))
        *choice = EncodingChoice::cp437;
    else if (!strcmp(text, "utf-8") || !strcmp(text, "utf8"))
        *choice = EncodingChoice::utf8;
    else if (!strcmp(text, "utf-16") || !strcmp(text, "utf16"))
        *choice = EncodingChoice::utf16;
    else if (!strcmp(text, "auto"))
        *choice = EncodingChoice::automatic;
    else
        return false;
    return true;
}

bool parseFormat(const char* text, ArtFormat* format)
{
    if (!strcmp(text, "nfo"))
        *format = ArtFormat::nfo;
    else if (!strcmp(text, "ansi"))
        *format = ArtFormat::ansi;
    else if (!strcmp(text, "auto"))
        *format = ArtFormat::automatic;
    else
        return false;
    return true;
}

std::string baseName(const std::string& path)
{
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return path;
    size_t slash = path.rfind('/', end);
    return path.substr(slash == std::string::npos ? 0 : slash + 1, end - (slash == std::string::npos ? 0 : slash + 1) + 1);
}

}  // namespace

bool parseColor(const char* text, Pixel* pixel)
{
    if (*text == '#')
        ++text;
    if (strlen(text) != 6 || strspn(text, "0123456789abcdefABCDEF") != 6)
        return false;
    *pixel = (Pixel)strtoul(text, nullptr, 16);
    return true;
}

RenderOptions parseRenderOptions(int argc, char** argv)
{
    RenderOptions options = {};
    RenderRequest& request = options.request;
    request.mode = RenderMode::document;
    request.fade = 1;
    request.scale = 1;
    request.ink = 0xFFFFFF;
    request.paper = 0x404040;
    options.encoding = EncodingChoice::automatic;

    std::string output;
    std::string directory;
    bool haveOutput = false, haveDirectory = false, haveView = false, haveAt = false, haveNoFade = false;
    bool haveThumbnail = false, haveScale = false;
    std::string& error = options.usageError;

    optind = 0;     // a fresh scan (the tests parse many command lines)
    opterr = 0;
    int c;
    while ((c = getopt_long(argc, argv, ":o:d:t:s:e:qvhV", longOptions, nullptr)) != -1) {
        const char* arg = optarg;
        switch (c) {
        case 'o': output = arg; haveOutput = true; break;
        case 'd': directory = arg; haveDirectory = true; break;
        case optView:
            if (!parseViewSize(arg, &request.viewWidth, &request.viewHeight))
                error = std::string("invalid view size '") + arg + "' (use WIDTHxHEIGHT, e.g. 640x480)";
            haveView = true;
            break;
        case optAt:
            if (!parseNumber(arg, 0, 0x7FFFFFFF, &request.viewAt))
                error = std::string("invalid position '") + arg + "' (pixels from the start, 0 or more)";
            haveAt = true;
            break;
        case optNoFade: request.fade = 0; haveNoFade = true; break;
        case 't':
            if (!parseNumber(arg, 1, 0x7FFFFFFF, &request.thumbnailSize))
                error = std::string("invalid thumbnail size '") + arg + "'";
            haveThumbnail = true;
            break;
        case optFg:
        case optBg:
            if (!parseColor(arg, c == optFg ? &request.ink : &request.paper))
                error = std::string("invalid colour '") + arg + "' (use RRGGBB or #RRGGBB)";
            break;
        case 's':
            if (!parseNumber(arg, 1, 8, &request.scale))
                error = std::string("invalid scale '") + arg + "' (1 to 8)";
            haveScale = true;
            break;
        case 'e':
            if (!parseEncoding(arg, &options.encoding))
                error = std::string("invalid encoding '") + arg + "' (cp437, utf-8, utf-16 or auto)";
            break;
        case optText: options.text = true; break;
        case optFormat:
            if (!parseFormat(arg, &options.art.format))
                error = std::string("invalid format '") + arg + "' (nfo, ansi or auto)";
            break;
        case optColumns:
            if (!parseNumber(arg, 1, 0x7FFFFFFF, &options.art.columns))
                error = std::string("invalid column count '") + arg + "' (1 or more)";
            break;
        case optIce:
            if (strcmp(arg, "on") && strcmp(arg, "off"))
                error = std::string("invalid --ice '") + arg + "' (on or off)";
            options.art.ice = strcmp(arg, "on") ? -1 : 1;
            break;
        case optCellWidth: {
            int32_t cell = 0;
            if (!parseNumber(arg, 8, 9, &cell))
                error = std::string("invalid cell width '") + arg + "' (8 or 9)";
            options.art.cellWidth = (uint8_t)cell;
            break;
        }
        case 'q': options.quiet = true; break;
        case 'v': options.verbose = true; break;
        case 'h': options.showHelp = true; break;
        case 'V': options.showVersion = true; break;
        case ':':
            error = std::string("option '") + argv[optind - 1] + "' needs a value";
            break;
        default:
            error = std::string("unknown option '") + argv[optind - 1] + "'";
            break;
        }
        if (!error.empty())
            return options;
    }
    if (options.showHelp || options.showVersion)
        return options;

    std::vector<std::string> files(argv + optind, argv + argc);
    if (haveView)
        request.mode = RenderMode::view;
    if (haveThumbnail) {
        request.mode = RenderMode::thumbnail;
        // As a thumbnailer is called: --thumbnail SIZE INPUT OUTPUT.
        if (files.size() == 2 && !haveOutput && !haveDirectory) {
            output = files[1];
            haveOutput = true;
            files.pop_back();
        }
    }
    if (options.text && (haveView || haveThumbnail || haveScale || haveOutput || haveDirectory))
        error = "--text writes to standard output; it cannot be combined with -o, -d, --view, --thumbnail or --scale";
    else if (haveThumbnail && (haveView || haveScale))
        error = "--thumbnail cannot be combined with --view or --scale";
    else if ((haveAt || haveNoFade) && !haveView)
        error = "--at and --no-fade need --view";
    else if (haveOutput && haveDirectory)
        error = "-o and -d cannot be combined";
    else if (files.empty())
        error = "no input file";
    else if (haveOutput && files.size() > 1)
        error = "-o names one output, but there are several input files (use -d)";
    if (!error.empty())
        return options;

    for (const std::string& file : files) {
        RenderTask task;
        task.input = file;
        if (haveOutput)
            task.output = output;
        else if (options.text || (file == "-" && !haveDirectory))
            task.output = "-";
        else if (haveDirectory)
            task.output = directory + (directory.empty() || directory.back() == '/' ? "" : "/") +
                          (file == "-" ? std::string("stdin") : baseName(file)) + ".png";
        else
            task.output = file + ".png";
        options.tasks.push_back(task);
    }
    return options;
}
