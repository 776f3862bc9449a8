// The help pages installed beside the programs: every topic the code opens,
// every built-in of the script language and every script error has its place
// there, and every link inside the pages leads somewhere. The topics are read
// out of the sources, so a new Help button is checked without touching this.
#include "applet/applet.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Under Wine the sources' Unix path lies on the drive that maps the root.
fs::path Sources()
{
    std::string dir = SB_SOURCE_DIR;
    return dir[0] == '/' ? fs::path("Z:" + dir) : fs::path(dir);
}

fs::path Installed(const std::string &page)
{
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, exe, sizeof exe);
    return fs::path(std::string(exe, n)).parent_path() / "html" / page;
}

struct Topic {
    std::string page, key, where;
};

// Every (page, topic) the code of the programs opens.
std::vector<Topic> TopicsInCode()
{
    static const std::map<std::string, std::string> pages = {
        {"DoHelp", "referenc.htm"}, {"DoReference", "referenc.htm"},
        {"DoManual", "manual.htm"}, {"DoTallixHelp", "tallix.htm"}};
    static const std::regex call(R"re(\b(DoHelp|DoReference|DoManual|DoTallixHelp)\s*\([^,()]+,\s*"([^"]*)"\s*\))re");
    // A page opened by name, and the anchor literal that follows it.
    static const std::regex named(R"xx("html\\\\(\w+\.htm)"[^;]*;[^"]*"#(\w+)")xx");
    std::vector<Topic> topics;
    for (const char *folder : {"common", "document", "media", "runtime", "applet", "player", "editor", "tools",
                               "programs"}) {
        fs::path dir = Sources() / folder;
        if (!fs::exists(dir))
            continue;
        for (const auto &entry : fs::recursive_directory_iterator(dir)) {
            std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h")
                continue;
            std::string text = ReadAll(entry.path());
            std::string where = entry.path().filename().string();
            for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m)
                topics.push_back({pages.at((*m)[1]), (*m)[2], where});
            for (std::sregex_iterator m(text.begin(), text.end(), named), end; m != end; ++m)
                topics.push_back({(*m)[1], (*m)[2], where});
        }
    }
    return topics;
}

std::set<std::string> Anchors(const std::string &html)
{
    static const std::regex anchor(R"re((?:\bname|\bid)\s*=\s*"([^"]+)")re");
    std::set<std::string> out;
    for (std::sregex_iterator m(html.begin(), html.end(), anchor), end; m != end; ++m)
        out.insert((*m)[1]);
    return out;
}

struct HelpPages : testing::Test {
    std::map<std::string, std::string> text;
    std::map<std::string, std::set<std::string>> anchors;
    void SetUp() override
    {
        for (const char *page : {"manual.htm", "referenc.htm", "tallix.htm"}) {
            text[page] = ReadAll(Installed(page));
            ASSERT_FALSE(text[page].empty()) << Installed(page) << " is not installed";
            anchors[page] = Anchors(text[page]);
        }
    }
};

TEST_F(HelpPages, EveryTopicTheCodeOpensHasItsAnchor)
{
    std::vector<Topic> topics = TopicsInCode();
    // The frame's Contents (both pages) and the colour and theme choosers' Help.
    EXPECT_GE(topics.size(), 5u);
    for (const Topic &t : topics) {
        ASSERT_TRUE(anchors.count(t.page)) << t.page << " opened by " << t.where << " is not one of the pages";
        EXPECT_TRUE(anchors[t.page].count(t.key)) << t.page << " has no anchor " << t.key << " (opened by " << t.where
                                                  << ")";
    }
}

TEST_F(HelpPages, ScriptPageDescribesEveryBuiltInAndError)
{
    // The interpreter's own table of names is the list to describe.
    std::string table = ReadAll(Sources() / "applet" / "interp.cpp");
    static const std::regex entry(R"re(\{"([a-z0-9]+)",\s*APPLET\w+\})re");
    int builtins = 0;
    for (std::sregex_iterator m(table.begin(), table.end(), entry), end; m != end; ++m, ++builtins)
        EXPECT_TRUE(anchors["tallix.htm"].count((*m)[1])) << "built-in " << (*m)[1] << " is not described";
    EXPECT_GE(builtins, 120);
    for (int code = 0; code <= APPLETERR_NOTFOUND; code++)
        EXPECT_NE(text["tallix.htm"].find(APPLETErrorText(code)), std::string::npos)
            << "error " << code << " \"" << APPLETErrorText(code) << "\" is not explained";
}

TEST_F(HelpPages, EveryLinkBetweenThePagesLeadsSomewhere)
{
    static const std::regex link(R"re(href\s*=\s*"([\w.]*)#([^"]+)")re");
    for (const auto &[page, html] : text)
        for (std::sregex_iterator m(html.begin(), html.end(), link), end; m != end; ++m) {
            std::string target = (*m)[1].length() ? std::string((*m)[1]) : page;
            ASSERT_TRUE(anchors.count(target)) << page << " links to " << target;
            EXPECT_TRUE(anchors[target].count((*m)[2])) << page << " links to " << target << "#" << (*m)[2];
        }
}

} // namespace
