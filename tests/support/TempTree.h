#pragma once
// A temporary folder for tests that need real files; removed with everything in it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

class TTempTree {
public:
    TTempTree() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarnwick-XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        Root = made ? made : "";
    }
    ~TTempTree() {
        std::error_code ec;
        // Folders made unreadable by a test must be readable again to be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(
                 Root, std::filesystem::directory_options::skip_permission_denied, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
        std::filesystem::remove_all(Root, ec);
    }
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

    std::string Path(const std::string& rel = "") const { return rel.empty() ? Root : Root + "/" + rel; }
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
