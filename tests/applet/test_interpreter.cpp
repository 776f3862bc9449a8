// Lines, the stack, starting and freeing, and scripts and applet data from a
// hostile file: each ends in an applet error, never in a crash or a hang.
#include "tests/applet/applethost.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <random>

using namespace applettest;

namespace {

class Interpreter : public testing::Test {
protected:
    FakeHost host;
    void SetUp() override { fake = &host; }
};

std::string Clean(const std::string &line)
{
    char out[APPLET_LINESIZE + 4];
    APPLETCleanLine(out, line.c_str());
    return out;
}

TEST_F(Interpreter, CleaningAndCuttingLines)
{
    const struct {
        const char *raw, *cleaned;
    } rows[] = {
        {"add ( 1 , 2 )\r", "add(1,2)"},
        {"x(\"a b\") ; note", "x(\"a b\x01)"},
        {"x(\"a;b\")", "x(\"a"},
        {"\"\\065\\066\"", "\"AB\x01"},
        {"\"a\\001\\000\\256b\"", "\"ab\x01"},
        {"\"\\7x\\\\\\nq\"", "\"x\\\r\nq\x01"},
        {"\"a\\\"b", "\"a\x01" "b"},
        {"\t\x01\x7f\x80", "\x7f\x80"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Clean(row.raw), row.cleaned) << row.raw;

    std::string text = std::string(3000, 'a') + "\nb";
    char line[APPLET_LINESIZE + 4];
    char *next = APPLETGetLine(line, text.data());
    EXPECT_EQ(strlen(line), 2048u);
    next = APPLETGetLine(line, next);
    EXPECT_EQ(strlen(line), 952u);
    next = APPLETGetLine(line, next);
    EXPECT_STREQ(line, "b");
    EXPECT_EQ(APPLETGetLine(line, next), nullptr);
    // The long line runs as two: the second half is a line of its own.
    EXPECT_EQ(RunScript(std::string(2048, ' ') + "nosuch()").errorline, 1);

    EXPECT_STREQ(APPLETErrorText(0), "Ok");
    EXPECT_STREQ(APPLETErrorText(15), "While encountered before Do");
    EXPECT_STREQ(APPLETErrorText(16), "Sound or picture not found");
    EXPECT_STREQ(APPLETErrorText(17), "Unknown error");
    EXPECT_STREQ(APPLETErrorText(-1), "Unknown error");
    EXPECT_EQ(APPLETMakeVariableName("ab"), 0x6261u);
    EXPECT_EQ(APPLETMakeVariableName("counter"), APPLETMakeVariableName("coun"));
}

TEST_F(Interpreter, StackSizesAndLimits)
{
    const struct {
        long requested;
        int size; // 0: the start fails with error 2
    } sizes[] = {{0, 8192}, {100, 8192}, {-5, 8192}, {10000, 10000}, {1 << 20, 1 << 20},
                 {(1 << 20) + 1, 0}, {0x7FFFFFFF, 0}};
    for (const auto &row : sizes) {
        HGLOBAL object = MakeAppletObject("end()");
        APPLET a;
        int ok = APPLETInitApplet(&a, nullptr, object, 0, row.requested, nullptr, "x", &FakeHost::host);
        EXPECT_EQ(ok, row.size ? 1 : 0) << row.requested;
        EXPECT_EQ(row.size ? a.stacksize : a.error, row.size ? row.size : 2);
        if (ok)
            APPLETFreeApplet(&a);
        GlobalFree(object);
    }

    HGLOBAL object = MakeAppletObject("end()");
    APPLET a;
    ASSERT_TRUE(APPLETInitApplet(&a, nullptr, object, 0, 0, nullptr, "x", &FakeHost::host));
    VALUE v{VT_INTEGER, 1, 0};
    for (int i = 0; i < 8191; i++)
        ASSERT_EQ(APPLETPush(&a, &v), 0);
    EXPECT_EQ(APPLETPush(&a, &v), 1);
    while (a.stacktop)
        APPLETPop(&a, &v);
    a.error = 0;
    EXPECT_EQ(APPLETPop(&a, &v), 1);
    APPLETFreeApplet(&a);
    GlobalFree(object);
}

TEST_F(Interpreter, StartFailuresAndTheScriptCopy)
{
    EXPECT_EQ(RunScript(":a\nend()\n:a").result, 13);
    EXPECT_EQ(RunScript(":a\nend()\n:a").errorline, 2);
    EXPECT_EQ(RunScript(":abcd1\n:abcd2").result, 13);
    EXPECT_EQ(RunScript(":").result, 4);
    EXPECT_EQ(RunScript("").result, -1); // starts, with nothing to run

    BLOCK page;
    CreateBlock(NULL, nullptr, &page, TAG_PAGE, nullptr, 0);
    HGLOBAL bare = CreatePageObject(&page, TAG_APPL, 0, 0);
    APPLET a;
    EXPECT_EQ(APPLETInitApplet(&a, nullptr, bare, 0, 0, nullptr, "x", &FakeHost::host), 0);
    EXPECT_EQ(a.freed, 1);
    GlobalFree(bare);

    // The text entry comes after a picture and has no terminator of its own;
    // the document title is longer than the section name may be.
    HGLOBAL object = MakeAppletObject("declareint(@i,4)", 7, true);
    std::string title(400, 'T');
    ASSERT_EQ(APPLETInitApplet(&a, nullptr, object, 0, 0, nullptr, title.c_str(), &FakeHost::host), 1);
    EXPECT_EQ(a.linecount, 1);
    EXPECT_EQ(strlen(a.appname), 259u);
    EXPECT_EQ(APPLETProcessLine(&a, nullptr), 0);
    EXPECT_EQ(APPLETProcessLine(&a, nullptr), -1);
    EXPECT_EQ(Variables(&a), "i=4");
    APPLETFreeApplet(&a);
    GlobalFree(object);
}

TEST_F(Interpreter, ThousandsOfLabels)
{
    std::string script = "declareint(@zz)\ngoto(:z999)\n";
    for (int i = 0; i < 3000; i++) {
        script += ':';
        script += (char)('a' + i / 1000);
        script += std::to_string(i % 1000);
        script += "\ninc(@zz,100)\n";
    }
    script += ":z999\ninc(@zz)\nif(isequal(@zz,1),:c999)\nend()";
    Outcome out = RunScript(script, 100);
    EXPECT_EQ(out.result, -1);
    EXPECT_EQ(out.variables, "zz=102");
    EXPECT_EQ(out.steps, 10);
}

TEST_F(Interpreter, DeepNestingAndHugeStrings)
{
    auto nested = [](int depth) {
        std::string s;
        for (int i = 0; i < depth; i++)
            s += "not(";
        s += "1";
        for (int i = 0; i < depth; i++)
            s += ")";
        return "declareint(@x," + s + ")";
    };
    EXPECT_EQ(RunScript(nested(100)).variables, "x=1");
    Outcome out = RunScript(nested(1000));
    EXPECT_EQ(out.result, 5);
    EXPECT_EQ(out.variables, "");
    // A string that keeps doubling meets its cap instead of the end of memory.
    EXPECT_EQ(RunScript("declarestring($s,\"0123456789abcdef\")\n:l\nstrcat($s,$s)\ngoto(:l)", 1000).result, 2);
}

// The window goes while its applet's message box is open: the applet is kept
// until the line returns, and a step that arrives meanwhile does nothing.
APPLET *boxapplet;
int nestedresult;
void DestroyDuringBox(APPLET *a)
{
    nestedresult = APPLETProcessLine(a, nullptr);
    fake->alive = false;
    EXPECT_EQ(APPLETFreeApplet(a), 0);
    EXPECT_EQ(a->freed, 0);
    boxapplet = a;
}

TEST_F(Interpreter, WindowDestroyedDuringAMessageBox)
{
    const char *scripts[] = {"declarestring($s,\"x\")\nmessagebox($s)\nend()",
                             "declarestring($s,\"x\")\nadd(yesnobox($s),1)\nend()"};
    for (const char *script : scripts) {
        host.alive = true;
        host.onbox = DestroyDuringBox;
        HGLOBAL object = MakeAppletObject(script);
        APPLET *a = (APPLET *)calloc(1, sizeof(APPLET));
        ASSERT_TRUE(APPLETInitApplet(a, nullptr, object, 0, 0, nullptr, "x", &FakeHost::host));
        ASSERT_EQ(APPLETProcessLine(a, nullptr), 0);
        EXPECT_EQ(APPLETProcessLine(a, nullptr), 6);
        EXPECT_EQ(nestedresult, 0);
        EXPECT_EQ(boxapplet, a);
        EXPECT_EQ(a->freed, 1);
        EXPECT_EQ(a->variables, nullptr);
        EXPECT_EQ(APPLETFreeApplet(a), 1);
        free(a);
        GlobalFree(object);
    }
}

TEST_F(Interpreter, SavedStatesAreCappedAndWrongPopsFreed)
{
    for (const char *script : {"return()", "while(1)"}) {
        HGLOBAL object = MakeAppletObject(script);
        APPLET a;
        ASSERT_TRUE(APPLETInitApplet(&a, nullptr, object, 0, 0, nullptr, "x", &FakeHost::host));
        VALUE state{VT_GRAPHICSTATE | VT_OWNED, 0, 0};
        for (int i = 0; i < APPLET_MAXSAVED; i++)
            ASSERT_EQ(APPLETPush(&a, &state), 0);
        EXPECT_EQ(APPLETPush(&a, &state), 1);
        EXPECT_EQ(a.savedstates, APPLET_MAXSAVED);
        a.error = 0;
        while (a.stacktop)
            APPLETPop(&a, &state);
        state.value = (uint32_t)(UINT_PTR)malloc(64);
        APPLETPush(&a, &state);
        EXPECT_EQ(a.savedstates, 1);
        EXPECT_EQ(APPLETProcessLine(&a, nullptr), script[0] == 'r' ? 7 : 15);
        EXPECT_EQ(a.savedstates, 0);
        EXPECT_EQ(a.stacktop, 0);
        APPLETFreeApplet(&a);
        GlobalFree(object);
    }
}

TEST_F(Interpreter, RandomNumbersHaveThirtyOneBits)
{
    APPLETSeedRandom(12345);
    uint32_t high = 0;
    for (int i = 0; i < 2000; i++) {
        uint32_t r = APPLETRandom31();
        ASSERT_LT(r, 0x80000000u);
        high |= r;
    }
    EXPECT_EQ(high, 0x7FFFFFFFu);
    Outcome out = RunScript("declarearray(&r,6)\ndeclareint(@i)\ndeclareint(@v)\ndo()\ninc(@i)\n@v=random(-6)\n"
                      "setarrayvalue(&r,@v,add(getarrayvalue(&r,@v),1))\nwhile(islessthan(@i,600))\n"
                      "declareint(@ok,and(and(getarrayvalue(&r,0),getarrayvalue(&r,1)),"
                      "and(getarrayvalue(&r,2),and(getarrayvalue(&r,3),and(getarrayvalue(&r,4),"
                      "getarrayvalue(&r,5))))))",
                      100000);
    EXPECT_EQ(out.result, -1);
    EXPECT_EQ(out.variables, "r[6] i=600 v=" + out.variables.substr(out.variables.find("v=") + 2, 1) + " ok=1");
    char face[APPLET_FACESIZE];
    APPLETCopyFaceName(face, std::string(100, 'F').c_str());
    EXPECT_EQ(strlen(face), 31u);
}

// Scripts from damaged files: random tokens, deep nesting, huge numbers,
// unterminated strings, and mutations of the transcript scripts. Each ends in
// an error code, ends, or is still running when its budget is spent.
TEST_F(Interpreter, DamageSweep)
{
    host.Add(3, TAG_LIST).items = {"a", "b"};
    host.Add(4, TAG_CHEC);
    std::mt19937 rng(77);
    const char *tokens[] = {"add(", "strsub(", "strcpy(", "declarestring(", "declareint(", "declarearray(",
                            "setarrayvalue(", "getarrayvalue(", "goto(", "gosub(", "return(", "do(", "while(",
                            "if(", "strcat(", "strgetchar(", "listboxgetstring(", "getobjectposition(",
                            "messagebox(", "setconfigstring(", "getconfigstring(", "pow(", "div(", "mod(",
                            "shiftleft(", "strupr(", "sleep(", "random(", "end(", ")", ",", "(", "\"", "\"abc\"",
                            "\\", "\\0", "\\n", ";", ":", ":l", "@", "@a", "$s", "$a", "&a", "&s", "-",
                            "-2147483648", "2147483647", "99999999999999999999", "0", "1", "3", "-1", "\n",
                            "\n:l\n", "\r", "=", "@a=", "\x01", "\xff", " "};
    const char *seeds[] = {"declarestring($s,\"abc\")\ndeclareint(@a,3)\ndeclarearray(&r,4)\n"
                           ":l\nstrcat($s,\"ab\")\nsetarrayvalue(&r,@a,strlen($s))\ngosub(:m)\ngoto(:l)\n"
                           ":m\ndo()\ninc(@a)\nwhile(islessthan(@a,9))\nreturn()",
                           "declarestring($d)\nlistboxgetstring($d,3,0)\nstrsub($d,$d,1,9)\n"
                           "getconfigstring($d,$d)\nsetconfigstring($d,\"v\")\nstrupr($d)\nmessagebox($d)"};
    int outcomes[3] = {};
    for (int n = 0; n < 4000; n++) {
        std::string script;
        if (n % 2) {
            int count = (int)(rng() % 60);
            for (int i = 0; i < count; i++)
                script += tokens[rng() % (sizeof tokens / sizeof *tokens)];
        } else {
            script = seeds[n / 2 % 2];
            int edits = 1 + (int)(rng() % 6);
            for (int i = 0; i < edits && !script.empty(); i++) {
                size_t at = rng() % script.size();
                switch (rng() % 4) {
                case 0: script[at] = (char)rng(); break;
                case 1: script.erase(at, 1 + rng() % 8); break;
                case 2: script.insert(at, tokens[rng() % (sizeof tokens / sizeof *tokens)]); break;
                case 3: script.insert(at, std::string(rng() % 300, "(\"@"[rng() % 3])); break;
                }
            }
        }
        host.log.clear();
        host.profile.clear();
        Outcome out = RunScript(script, 300);
        ASSERT_TRUE(out.result >= -1 && out.result <= 16) << out.result << " for " << script;
        ASSERT_EQ(host.locks, 0) << script;
        outcomes[out.result < 0 ? 0 : out.result == 0 ? 1 : 2]++;
    }
    // The sweep reaches all three ends.
    EXPECT_GT(outcomes[0], 0);
    EXPECT_GT(outcomes[1], 0);
    EXPECT_GT(outcomes[2], 0);
}

} // namespace
