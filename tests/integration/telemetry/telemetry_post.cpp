// telemetry_post user model [field=value ...]: posts the usage record with
// the built-in settings and the environment's overrides, like a filter does.
// Fields: duplex colour ecoPrint pdl staple punch jobAccounting userLogin.
#include "telemetry.h"

#include <cstdlib>
#include <cstring>
#include <map>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: telemetry_post user model [field=value ...]\n");
        return 2;
    }
    vel::UsageRecord r;
    r.user = argv[1];
    r.model = argv[2];
    const std::map<std::string, std::optional<int> vel::UsageRecord::*> fields = {
        {"duplex", &vel::UsageRecord::duplex},
        {"colour", &vel::UsageRecord::colour},
        {"ecoPrint", &vel::UsageRecord::ecoPrint},
        {"pdl", &vel::UsageRecord::pdl},
        {"staple", &vel::UsageRecord::staple},
        {"punch", &vel::UsageRecord::punch},
        {"jobAccounting", &vel::UsageRecord::jobAccounting},
        {"userLogin", &vel::UsageRecord::userLogin},
    };
    for (int i = 3; i < argc; ++i) {
        const char* eq = std::strchr(argv[i], '=');
        auto it = eq ? fields.find(std::string(argv[i], static_cast<size_t>(eq - argv[i])))
                     : fields.end();
        if (it == fields.end()) {
            std::fprintf(stderr, "unknown field: %s\n", argv[i]);
            return 2;
        }
        r.*(it->second) = std::atoi(eq + 1);
    }
    vel::postUsage(r, vel::stderrLog());
    return 0;
}
