// Times what selecting a printer costs jobdeck: open the PPD, build the model, mark every default.
// Usage: jobdeck_model_bench [-n rounds] file.ppd...
#include "buildmodel.h"
#include "kppdmodel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Round {
    double open = 0;
    double build = 0;
    int options = 0;
    int pairs = 0;
};

bool runOnce(const char* path, Round& round) {
    const auto t0 = Clock::now();
    ppd_file_t* ppd = ppdOpenFile(path);
    if (!ppd) return false;
    const auto t1 = Clock::now();
    kPpdModel model;
    buildModel(ppd, &model);
    for (kOption* option : model.options()) {
        if (option->defaultChoice()) option->markChoice(option->defaultChoice());
    }
    const auto t2 = Clock::now();
    round.open = ms(t1 - t0);
    round.build = ms(t2 - t1);
    round.options = model.options().size();
    round.pairs = 0;
    for (kOption* option : model.options()) {
        for (kChoice* choice : option->choices())
            round.pairs += choice->constraints().size();
    }
    round.pairs /= 2;
    ppdClose(ppd);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 20;
    int first = 1;
    if (argc > 2 && !strcmp(argv[1], "-n")) {
        rounds = std::max(1, atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: %s [-n rounds] file.ppd...\n", argv[0]);
        return 2;
    }
    printf("%-40s %8s %8s %12s %12s\n", "ppd", "options", "pairs", "open ms", "build+mark ms");
    for (int i = first; i < argc; ++i) {
        std::vector<double> opens, builds;
        Round round;
        for (int r = 0; r < rounds; ++r) {
            if (!runOnce(argv[i], round)) {
                fprintf(stderr, "%s: cannot open\n", argv[i]);
                return 1;
            }
            opens.push_back(round.open);
            builds.push_back(round.build);
        }
        // Medians: the machine is shared, single slow rounds say nothing about the code.
        std::sort(opens.begin(), opens.end());
        std::sort(builds.begin(), builds.end());
        const char* name = strrchr(argv[i], '/') ? strrchr(argv[i], '/') + 1 : argv[i];
        printf("%-40s %8d %8d %12.2f %12.2f\n", name, round.options, round.pairs,
               opens[opens.size() / 2], builds[builds.size() / 2]);
    }
    return 0;
}
