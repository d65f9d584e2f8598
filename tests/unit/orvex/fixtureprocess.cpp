#include "fixtureprocess.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string sourceDir() {
    const char* dir = std::getenv("VELMORA_SOURCE_DIR");
    return dir ? dir : VELMORA_SOURCE_DIR_DEFAULT;
}

} // namespace

FixtureProcess::FixtureProcess(const std::string& script, const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    std::string path = sourceDir() + "/tests/fixtures/" + script;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("python3"));
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp("python3", argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    FILE* f = fdopen(out[0], "r");
    char buf[4096];
    if (f && std::fgets(buf, sizeof buf, f)) {
        line_ = buf;
        while (!line_.empty() && line_.back() == '\n')
            line_.pop_back();
    }
    if (f) std::fclose(f);
}

FixtureProcess::~FixtureProcess() {
    if (stdin_ >= 0) close(stdin_);
    if (pid_ <= 0) return;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        usleep(50000);
    }
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

std::string FixtureProcess::field(const std::string& key) const {
    std::istringstream words(line_);
    std::string w;
    while (words >> w) {
        if (w == key && (words >> w)) return w;
        // "KEY=value" form
        if (w.compare(0, key.size() + 1, key + "=") == 0) return w.substr(key.size() + 1);
    }
    return {};
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
