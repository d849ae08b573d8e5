// The folders' dependency rules, read from the #include lines of the source
// tree: the plain C++ core (the window data in view/ included) never reaches
// Qt or the windows, the child windows in ui/ never reach app/, app/'s own
// start-up and orbixctl stay free of Qt, demod/ stays below search/, and no
// two folders depend on each other in a ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFolders{"platform", "sim",  "card", "demod", "db",
                                        "search",   "view", "app",  "ui"};
const std::set<std::string> kCore{"card", "demod", "db", "search", "sim", "platform", "view"};
const std::set<std::string> kForbiddenForCore{"Qt", "app", "ui"};
constexpr const char* kQt = "Qt";

struct Include {
    std::string file;    // relative to the source root, e.g. "demod/tuner.cpp"
    std::string from;    // the file's top folder
    std::string target;  // a top folder, or "Qt"
};

// The folder or library an include line names; empty for the standard
// library, other system headers and files of the same folder without a path.
std::string TargetOf(const std::string& quote, const std::string& path) {
    if (quote == "<") return path.starts_with('Q') ? kQt : std::string();
    const auto slash = path.find('/');
    if (slash == std::string::npos) return {};
    const std::string top = path.substr(0, slash);
    return std::ranges::find(kFolders, top) != kFolders.end() ? top : std::string();
}

std::vector<Include> ScanTree(const fs::path& root) {
    static const std::regex kLine(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<Include> out;
    for (const std::string& folder : kFolders) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            std::ifstream in(entry.path());
            const std::string file = fs::relative(entry.path(), root).generic_string();
            std::smatch m;
            for (std::string line; std::getline(in, line);) {
                if (!std::regex_search(line, m, kLine)) continue;
                const std::string target = TargetOf(m[1], m[2]);
                if (!target.empty() && target != folder) out.push_back({file, folder, target});
            }
        }
    }
    return out;
}

// A ring of folders, as "a -> b -> a", or empty when there is none.
std::string FindCycle(const std::map<std::string, std::set<std::string>>& edges) {
    std::map<std::string, int> state;  // 0 unseen, 1 on the path, 2 done
    std::vector<std::string> path;
    std::string found;
    auto visit = [&](auto&& self, const std::string& node) -> void {
        state[node] = 1;
        path.push_back(node);
        const auto it = edges.find(node);
        for (const std::string& next : it == edges.end() ? std::set<std::string>{} : it->second) {
            if (!found.empty()) break;
            if (state[next] == 1) {
                const auto start = std::ranges::find(path, next);
                for (auto p = start; p != path.end(); ++p) found += *p + " -> ";
                found += next;
            } else if (state[next] == 0) {
                self(self, next);
            }
        }
        path.pop_back();
        state[node] = 2;
    };
    for (const auto& [node, targets] : edges)
        if (found.empty() && state[node] == 0) visit(visit, node);
    return found;
}

// app/'s top level (start-up, the card session) and app/ctl/ (orbixctl) are
// plain C++; the main window and its Qt parts live in app/gui/.
bool InPlainAppPart(const std::string& file) {
    if (!file.starts_with("app/")) return false;
    const std::string rest = file.substr(4);
    return rest.find('/') == std::string::npos || rest.starts_with("ctl/");
}

std::vector<std::string> LayerFaults(const std::vector<Include>& includes) {
    std::vector<std::string> faults;
    std::map<std::string, std::set<std::string>> edges;
    for (const Include& inc : includes) {
        if (kCore.contains(inc.from) && kForbiddenForCore.contains(inc.target))
            faults.push_back(inc.file + " includes " + inc.target);
        if (inc.from == "demod" && inc.target == "search")
            faults.push_back(inc.file + " includes search");
        if (inc.from == "ui" && inc.target == "app") faults.push_back(inc.file + " includes app");
        if (inc.target == kQt && InPlainAppPart(inc.file))
            faults.push_back(inc.file + " includes Qt");
        if (inc.target != kQt) edges[inc.from].insert(inc.target);
    }
    if (const std::string cycle = FindCycle(edges); !cycle.empty())
        faults.push_back("folders depend on each other: " + cycle);
    return faults;
}

TEST(Layers, SourceTreeKeepsTheFolderRules) {
    const std::vector<Include> includes = ScanTree(ORBIX_SOURCE_DIR);
    ASSERT_GT(includes.size(), 50u) << "the scan found almost no includes";
    const std::vector<std::string> faults = LayerFaults(includes);
    std::string all;
    for (const std::string& f : faults) all += f + "\n";
    EXPECT_TRUE(faults.empty()) << all;
}

// Each rule on a made-up tree: the faults it must report, and the edges it
// must let through.
TEST(Layers, EachRuleCatchesItsFault) {
    const struct {
        const char* name;
        std::vector<Include> includes;
        std::size_t faults;
    } cases[] = {
        {"core includes Qt", {{"db/a.cpp", "db", "Qt"}}, 1},
        {"core includes ui", {{"search/a.cpp", "search", "ui"}}, 1},
        {"core includes app", {{"platform/a.h", "platform", "app"}}, 1},
        {"window data includes Qt", {{"view/a.h", "view", "Qt"}}, 1},
        {"window data includes ui", {{"view/a.cpp", "view", "ui"}}, 1},
        {"child window includes app", {{"ui/pid/a.cpp", "ui", "app"}}, 1},
        {"start-up includes Qt", {{"app/startup.cpp", "app", "Qt"}}, 1},
        {"orbixctl includes Qt", {{"app/ctl/a.cpp", "app", "Qt"}}, 1},
        {"main window uses Qt and view",
         {{"app/gui/a.cpp", "app", "Qt"}, {"app/gui/b.h", "app", "view"}, {"ui/c.h", "ui", "view"}},
         0},
        {"demod includes search", {{"demod/tuner.cpp", "demod", "search"}}, 1},
        {"the tune worker too", {{"demod/tune_worker.cpp", "demod", "search"}}, 1},
        {"two-folder ring", {{"db/a.h", "db", "card"}, {"card/b.h", "card", "db"}}, 1},
        {"three-folder ring",
         {{"ui/a.h", "ui", "app"}, {"app/b.h", "app", "sim"}, {"sim/c.h", "sim", "ui"}},
         3},  // sim -> ui and ui -> app are faults of their own as well
        {"windows use Qt and the core",
         {{"ui/a.cpp", "ui", "Qt"}, {"app/b.cpp", "app", "ui"}, {"ui/c.h", "ui", "db"}},
         0},
    };
    for (const auto& c : cases) EXPECT_EQ(LayerFaults(c.includes).size(), c.faults) << c.name;
}

}  // namespace
