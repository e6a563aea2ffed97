// The folders of engine/ and of platform/ form layers: no folder may, through its includes,
// depend on one that depends on it in turn. The graph is read from the sources themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using TGraph = std::map<std::string, std::set<std::string>>;

// Edges between the folders of one top folder of the sources, engine/ or platform/ ("." for the
// files at its root), from every quoted include of a source below it.
TGraph FolderIncludes(const std::string& top) {
    TGraph graph;
    const fs::path root = fs::path(TARNWICK_SOURCE_DIR) / top;
    const std::regex include("^\\s*#\\s*include\\s+\"" + top + "/([^\"]+)\"");
    auto folderOf = [](const fs::path& relative) {
        return relative.has_parent_path() ? relative.begin()->string() : std::string(".");
    };
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        const std::string from = folderOf(fs::relative(entry.path(), root));
        graph[from];
        std::ifstream in(entry.path());
        std::smatch m;
        for (std::string line; std::getline(in, line);) {
            if (!std::regex_search(line, m, include)) continue;
            const std::string to = folderOf(fs::path(m[1].str()));
            if (to != from) graph[from].insert(to);
        }
    }
    return graph;
}

std::set<std::string> Reachable(const TGraph& graph, const std::string& from) {
    std::set<std::string> seen;
    std::vector<std::string> todo{from};
    while (!todo.empty()) {
        const std::string n = todo.back();
        todo.pop_back();
        const auto it = graph.find(n);
        if (it == graph.end()) continue;
        for (const std::string& next : it->second)
            if (seen.insert(next).second) todo.push_back(next);
    }
    return seen;
}

// The groups of folders that depend on each other (each of two or more folders).
std::set<std::set<std::string>> Cycles(const TGraph& graph) {
    std::map<std::string, std::set<std::string>> reach;
    for (const auto& [n, _] : graph) reach[n] = Reachable(graph, n);
    std::set<std::set<std::string>> cycles;
    for (const auto& [n, r] : reach) {
        std::set<std::string> group{n};
        for (const std::string& m : r)
            if (m != n && reach[m].count(n)) group.insert(m);
        if (group.size() > 1) cycles.insert(group);
    }
    return cycles;
}

TEST(IncludeGraph, CyclesAreFoundThroughAnyNumberOfFolders) {
    EXPECT_TRUE(Cycles({{"a", {"b"}}, {"b", {"c"}}, {"c", {}}}).empty());
    EXPECT_EQ(Cycles({{"a", {"b"}}, {"b", {"c"}}, {"c", {"a"}}, {"d", {"a"}}}),
              (std::set<std::set<std::string>>{{"a", "b", "c"}}));
    EXPECT_EQ(Cycles({{"a", {"b"}}, {"b", {"a"}}, {"c", {"d"}}, {"d", {"c"}}}),
              (std::set<std::set<std::string>>{{"a", "b"}, {"c", "d"}}));
}

TEST(IncludeGraph, NoEngineFoldersDependOnEachOther) {
    const TGraph graph = FolderIncludes("engine");
    ASSERT_TRUE(graph.count("device") && graph.count("transport") && graph.count("image") && graph.count("write"));
    // The transport knows nothing of the devices that use it.
    EXPECT_FALSE(graph.at("transport").count("device"));
    // The image code knows nothing of the jobs and the facade that run it.
    EXPECT_FALSE(graph.at("image").count("write"));
    EXPECT_TRUE(Cycles(graph).empty());
}

TEST(IncludeGraph, NoPlatformFoldersDependOnEachOther) {
    const TGraph graph = FolderIncludes("platform");
    ASSERT_TRUE(graph.count(".") && graph.count("posix") && graph.count("virtual"));
    // The root declares what every system provides; the systems' folders and the virtual bus
    // build on it, never the other way round.
    EXPECT_TRUE(graph.at(".").empty()) << *graph.at(".").begin();
    EXPECT_TRUE(Cycles(graph).empty());
}

} // namespace
