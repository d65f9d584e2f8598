// A throwaway per-user data directory for one test, with VELMORA_DATA_DIR
// pointing at it while the test runs.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempDataDir {
  public:
    TempDataDir() {
        char tmpl[] = "/tmp/veldataXXXXXX";
        path_ = mkdtemp(tmpl);
        setenv("VELMORA_DATA_DIR", path_.c_str(), 1);
    }
    ~TempDataDir() {
        unsetenv("VELMORA_DATA_DIR");
        std::filesystem::remove_all(path_);
    }
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    const std::string& path() const { return path_; }

    // Writes text to a file below the directory, making its folders.
    void write(const std::string& relative, const std::string& text) const {
        std::filesystem::path p = std::filesystem::path(path_) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

  private:
    std::string path_;
};
