#pragma once
// A temporary folder for tests that need real files; removed with everything in it.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdlib>
#include <random>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

class TTempTree {
public:
    TTempTree() {
#ifdef _WIN32
        // No mkdtemp: a random name, taken only when this call created the folder.
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        std::error_code ec;
        for (int attempt = 0; attempt < 100 && Root.empty(); ++attempt) {
            auto p = std::filesystem::temp_directory_path(ec) /
                     ("tarnwick-" + std::to_string(random()) + "-" + std::to_string(counter++));
            if (std::filesystem::create_directory(p, ec)) Root = p.string();
        }
#else
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarnwick-XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        Root = made ? made : "";
#endif
    }
    ~TTempTree() {
        std::error_code ec;
        // Folders made unreadable by a test must be readable again to be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(
                 Root, std::filesystem::directory_options::skip_permission_denied, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(Root, ec);
    }
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

#ifdef _WIN32
    // The engine joins paths with the platform's delimiter; so do the expected values.
    std::string Path(const std::string& rel = "") const {
        std::string r = rel;
        for (char& c : r)
            if (c == '/') c = '\\';
        return r.empty() ? Root : Root + "\\" + r;
    }
#else
    std::string Path(const std::string& rel = "") const { return rel.empty() ? Root : Root + "/" + rel; }
#endif
    void Dir(const std::string& rel) const { std::filesystem::create_directories(Path(rel)); }
    void File(const std::string& rel, const std::string& content = "") const {
        auto p = std::filesystem::path(Path(rel));
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    // A file of the given size without writing its bytes (sparse where the file system can).
    void SizedFile(const std::string& rel, long long size) const {
        File(rel);
        std::filesystem::resize_file(Path(rel), std::uintmax_t(size));
    }

private:
    std::string Root;
};

} // namespace testsupport
