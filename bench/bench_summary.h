// The figures of a bench run, one line each, printed together at its end:
//   "<what>: X.XX x <baseline>"
// A benchmark that runs more than once keeps its latest figure.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

namespace summary {

struct Figure {
    std::string what;
    double ratio;
    std::string baseline;
};

inline std::vector<Figure>& figures()
{
    static std::vector<Figure> all;
    return all;
}

inline void record(const std::string& what, double ratio, const std::string& baseline)
{
    for (Figure& figure : figures())
        if (figure.what == what) {
            figure.ratio = ratio;
            figure.baseline = baseline;
            return;
        }
    figures().push_back({ what, ratio, baseline });
}

inline void print(const char* title)
{
    printf("\n%s\n", title);
    for (const Figure& figure : figures())
        printf("%s: %.2f x %s\n", figure.what.c_str(), figure.ratio, figure.baseline.c_str());
    fflush(stdout);
}

}  // namespace summary
