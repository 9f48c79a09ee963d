// The current directory for one test: a fresh folder of its own, where the
// launcher's relative paths (the descriptor, the installer) land, removed
// with everything in it when the test ends, the old current directory back.
#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& name)
        : original(std::filesystem::current_path()),
          path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ScratchDirectory()
    {
        std::filesystem::current_path(original);
        std::filesystem::remove_all(path);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

private:
    std::filesystem::path original;
    std::filesystem::path path;
};
