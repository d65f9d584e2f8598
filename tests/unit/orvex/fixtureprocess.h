// Starts one of the Python fixtures of tests/fixtures as a child process, reads
// the line it prints once it serves, and stops it (by closing its standard
// input, then by SIGTERM) when the object goes away.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class FixtureProcess {
  public:
    // script: file name in tests/fixtures; args: its arguments.
    FixtureProcess(const std::string& script, const std::vector<std::string>& args);
    ~FixtureProcess();
    FixtureProcess(const FixtureProcess&) = delete;
    FixtureProcess& operator=(const FixtureProcess&) = delete;

    bool running() const { return pid_ > 0 && !line_.empty(); }
    // The word after `key` in the first line ("port 4711 record /tmp/x").
    std::string field(const std::string& key) const;
    const std::string& line() const { return line_; }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string line_;
};

// Reads a whole file (empty when missing).
std::string readFile(const std::string& path);
