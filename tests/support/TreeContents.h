#pragma once
// A folder tree as relative path -> content, for comparing a source with an extraction.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace testsupport {

// "/" marks a folder.
using TTree = std::map<std::string, std::string>;

inline TTree ReadTree(const std::string& root) {
    namespace fs = std::filesystem;
    TTree t;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        if (e.is_directory()) {
            t[rel] = "/";
        } else {
            std::ifstream f(e.path(), std::ios::binary);
            t[rel] = std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        }
    }
    return t;
}

} // namespace testsupport
