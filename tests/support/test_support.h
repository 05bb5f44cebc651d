// Small helpers shared by the tests: a private temporary directory that is
// removed with everything in it, and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace TestSupport {

class TempDirectory {
public:
    TempDirectory() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            Path_ = base / ("hashkeep-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(Path_))
                break;
        }
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(Path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& Path() const { return Path_; }
    // The directory as a text, with the platform's separator at the end.
    std::string Dir() const { return (Path_ / "").string(); }
    std::string operator/(const std::string& name) const { return (Path_ / name).string(); }

private:
    std::filesystem::path Path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace TestSupport

#include <cstdlib>

namespace TestSupport {

inline void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

} // namespace TestSupport
