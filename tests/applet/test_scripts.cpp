// Scripts and their transcripts: the variables a script leaves, what it asked
// of the host, and the error and line it ended with.
#include "tests/applet/applethost.h"
#include <gtest/gtest.h>

using namespace applettest;

namespace {

class Scripts : public testing::Test {
protected:
    FakeHost host;
    void SetUp() override
    {
        fake = &host;
        host.Add(3, TAG_LIST).items = {"one", "two", "three"};
        host.Add(4, TAG_CHEC);
        host.Add(5, TAG_BUTN);
        host.Add(6, TAG_RDIO);
        host.Add(8, TAG_IMAG, {20, 30, 180, 158}).header.flags = OBJ_RUNNING;
        // What a page's other child windows look like through the lock: the
        // player's block list has control id 10 and no object record.
        host.objects[10].header = OBJECTHEADER{};
        host.texts = {{5, "abc"}};
        host.entries = {{ENTRY_WAVE, 2, "WAVE-2"},
                        {ENTRY_MIDI, 2, "MIDI-2"},
                        {ENTRY_MIDI, 3, "MIDI-3"},
                        {ENTRY_PICT, 3, PackedDib(3, 2, {0, 0, 0, 0, 0, 0})}};
    }
};

struct Row {
    const char *script;
    int result;    // -1 ended, 0 still running after the budget, else the error
    int errorline; // -1 none
    const char *variables;
    const char *log;
};

const Row rows[] = {
    // Variables, names and assignment.
    {"declareint(@i,5)\ninc(@i)\ninc(@i,-3)\ndec(@i)", -1, -1, "i=2", ""},
    {"declareint(@count,1)\n@counter=7", -1, -1, "coun=7", ""},
    {"declareint(@Count)\ndeclareint(@count,2)", -1, -1, "Coun=0 coun=2", ""},
    {"declareint(@total,5)\ndeclareint(@total)", 3, 1, "tota=5", ""},
    {"declareint(@a,1)\ndeclareint(@b,2)\n@a=@b", -1, -1, "a=2 b=2", ""},
    {"declarestring($s)\n@s=5", 10, 1, "s=\"\"", ""},
    {"declarestring($s,\"x\")\ndeclarestring($t,\"y\")\n@s=@t", 10, 2, "s=\"x\" t=\"y\"", ""},
    {"declarearray(&a,2)\ndeclarearray(&b,2)\n@a=@b", 10, 2, "a[2] b[2]", ""},
    {"@x=", 9, 0, "", ""},
    {"declareint(@x)\ndeclarestring($s)\n@x=$s", 10, 2, "x=0 s=\"\"", ""},
    {"declareint(@x)\n@x=add(@x,1)\n@x=\"a\"", 10, 2, "x=1", ""},
    {"declareint(@x)\n@x=:lab\n:lab", 10, 1, "x=0", ""},
    {"@x5", 5, 0, "", ""},
    // Lines and syntax.
    {"5\nadd(1,2)xyz\n;comment\n\n", -1, -1, "", ""},
    {"declareint ( @i , 2 )\r\nINC(@i)\r\n", -1, -1, "i=3", ""},
    {"nosuch(1)", 8, 0, "", ""},
    {"arc(1,2,3,4,5,6)", -1, -1, "", ""},
    {"add(1,2", 5, 0, "", ""},
    {"add", 5, 0, "", ""},
    {"messagebox(\"a;b\")", 5, 0, "", ""},
    {"declarestring($s,\"\\065\\066\\001\\000x\\7y\\nz\\\\\")", -1, -1, "s=\"ABxy^^z\\\"", ""},
    {"declareint(@i)\ninc(@i)\ninc(@i)\nnosuch()", 8, 3, "i=2", ""},
    {"declareint(@a,-)\ndeclareint(@b,12ab)\ndeclareint(@c,99999999999)", -1, -1, "a=0 b=12 c=1215752191", ""},
    // Control flow.
    {"if(0,:x)", -1, -1, "", ""},
    {"if(1,:x)", 14, 0, "", ""},
    {"goto(:x)\nnosuch()\n:x\ndeclareint(@i,1)", -1, -1, "i=1", ""},
    {":loop\ngoto(:loop)", 0, -1, "", ""},
    {"declareint(@i)\ndo()\ninc(@i)\nwhile(islessthan(@i,5))", -1, -1, "i=5", ""},
    {"declareint(@i)\ngosub(:s)\ninc(@i,10)\nend()\n:s\ninc(@i)\nreturn()", -1, -1, "i=11", ""},
    {"do()\nreturn()", 7, 1, "", ""},
    {"return()", 1, 0, "", ""},
    {"while(1)", 1, 0, "", ""},
    {"gosub(:s)\n:s\nwhile(1)", 15, 2, "", ""},
    {"end(1)", 11, 0, "", ""},
    {"end()\nnosuch()", -1, -1, "", ""},
    {"do(1)", 11, 0, "", ""},
    {"gosub(:x)", 14, 0, "", ""},
    {"goto(5)", 14, 0, "", ""},
    {"inc(@undeclared)", -1, -1, "", ""},
    {"declarestring($s)\ninc(@s)", 10, 1, "s=\"\"", ""},
    {"inc(5)", 4, 0, "", ""},
    {"declareint(5)", 4, 0, "", ""},
    {"declareint(@x,1,2)", 11, 0, "", ""},
    // Arithmetic, comparison and logic.
    {"declareint(@a,div(7,2))\ndeclareint(@b,div(-7,2))\ndeclareint(@c,mod(-7,2))\ndeclareint(@d,mod(7,-2))",
     -1, -1, "a=3 b=-3 c=-1 d=1", ""},
    {"declareint(@a,div(5,0))", 12, 0, "", ""},
    {"mod(5,0)", 12, 0, "", ""},
    {"declareint(@a,div(-2147483648,-1))\ndeclareint(@b,mod(-2147483648,-1))", -1, -1, "a=-2147483648 b=0", ""},
    {"declareint(@a,shiftleft(1,33))\ndeclareint(@b,shiftright(-8,1))\ndeclareint(@c,shiftleft(1,-1))", -1, -1,
     "a=2 b=-4 c=-2147483648", ""},
    {"declareint(@a,add(2147483647,1))\ndeclareint(@b,sub(-2147483648,1))\ndeclareint(@c,mul(65536,65537))", -1,
     -1, "a=-2147483648 b=2147483647 c=65536", ""},
    {"declareint(@a,abs(-5))\ndeclareint(@b,abs(-2147483648))", -1, -1, "a=5 b=-2147483648", ""},
    {"declareint(@a,pow(2,10))\ndeclareint(@b,pow(2,-1))\ndeclareint(@c,pow(-8,3))\ndeclareint(@d,pow(0,-1))\n"
     "declareint(@e,pow(10,100))\ndeclareint(@f,pow(2,33))",
     -1, -1, "a=1024 b=0 c=-512 d=0 e=0 f=0", ""},
    {"declareint(@a,and(2,3))\ndeclareint(@b,or(0,0))\ndeclareint(@c,not(0))\ndeclareint(@d,not(7))", -1, -1,
     "a=1 b=0 c=1 d=0", ""},
    {"declareint(@a,isequal(1,1))\ndeclareint(@b,isnotequal(1,1))\ndeclareint(@c,isgreaterthan(-1,0))\n"
     "declareint(@d,islessthan(-1,0))\ndeclareint(@e,isgreaterthanorequalto(2,2))\n"
     "declareint(@f,islessthanorequalto(3,2))",
     -1, -1, "a=1 b=0 c=0 d=1 e=1 f=0", ""},
    {"declareint(@a,bitand(12,10))\ndeclareint(@b,bitor(12,10))\ndeclareint(@c,bitxor(12,10))\n"
     "declareint(@d,max(-1,2))\ndeclareint(@e,min(-1,2))",
     -1, -1, "a=8 b=14 c=6 d=2 e=-1", ""},
    {"declareint(@a,random(0))\ndeclareint(@b,isgreaterthan(getsystemtime(),1700000000))", -1, -1, "a=0 b=1", ""},
    {"isequal(\"a\",\"a\")", 4, 0, "", ""},
    {"add(1)", 11, 0, "", ""},
    {"add(@nope,1)", 9, 0, "", ""},
    {"getsystemtime(1)", 11, 0, "", ""},
    // Strings.
    {"declarestring($s,\"abc\")\ndeclareint(@n,strlen($s))\nstrcat($s,\"de\")", -1, -1, "s=\"abcde\" n=3", ""},
    {"declarestring($s)\ndeclareint(@n,strfromint($s,-42))\ndeclareint(@m,intfromstring($s))\n"
     "declareint(@k,intfromstring(\" 12ab\"))",
     -1, -1, "s=\"-42\" n=3 m=-42 k=12", ""},
    {"declareint(@a,strcmp(\"abc\",\"abcdef\"))\ndeclareint(@b,strcmp(\"abc\",\"abd\"))\n"
     "declareint(@c,strcmpi(\"ABC\",\"abc\"))\ndeclareint(@d,strcmp(\"\",\"x\"))",
     -1, -1, "a=1 b=0 c=1 d=1", ""},
    {"declarestring($d)\ndeclareint(@n,strsub($d,\"abcdef\",4,1))", -1, -1, "d=\"bcd\" n=3", ""},
    {"declarestring($d)\nstrsub($d,\"hello\",0,100)\ndeclarestring($e)\nstrfromint($e,12345)\nstrsub($e,$e,0,100)",
     -1, -1, "d=\"hello\" e=\"1234\"", ""},
    {"declarestring($d)\ndeclareint(@n,strsub($d,\"ab\",-5,-1))", -1, -1, "d=\"\" n=0", ""},
    {"declarestring($d)\ndeclarestring($e)\ndeclareint(@n,strsub($d,$e,3,7))", -1, -1, "d=\"\" e=\"\" n=0", ""},
    {"declarestring($s)\nstrfromint($s,123)\ndeclareint(@a,strgetchar($s,0))\ndeclareint(@b,strgetchar($s,99))\n"
     "declareint(@c,strgetchar($s,-1))\ndeclarestring($e)\ndeclareint(@d,strgetchar($e,0))",
     -1, -1, "s=\"123\" a=49 b=51 c=0 e=\"\" d=0", ""},
    {"declarestring($s,\"a1b\")\nstrupr($s)\ndeclarestring($t,\"XyZ\")\nstrlwr($t)", -1, -1, "s=\"A1B\" t=\"xyz\"", ""},
    {"strupr($_OWN)", 10, 0, "", ""},
    {"declareint(@i)\nstrlwr($i)", 10, 1, "i=0", ""},
    {"strcpy($_OWN,\"x\")", 10, 0, "", ""},
    {"strcpy($nothing,\"x\")", -1, -1, "", ""},
    {"declareint(@i)\ndeclarestring($s)\nstrcpy($s,$i)", 4, 2, "i=0 s=\"\"", ""},
    {"declarearray(&a,3)\nstrlen($a)", 4, 1, "a[3]", ""},
    {"declarestring($s)\nstrcpy($s,$nope)", 9, 1, "s=\"\"", ""},
    {"declarestring($s)\nstrcpy(@s,\"x\")", 4, 1, "s=\"\"", ""},
    {"declarestring($s)\nstrfromchar($s,321)", -1, -1, "s=\"A\"", ""},
    {"declarestring($s,\"abc\")\ndeclarestring($s)", 3, 1, "s=\"abc\"", ""},
    {"strcpy($s)", 11, 0, "", ""},
    // Arrays.
    {"declarearray(&a,0)\ndeclarearray(&b,100000)\nsetarrayvalue(&a,0,5)\ndeclareint(@x,getarrayvalue(&a,0))", -1,
     -1, "a[1] b[32767] x=5", ""},
    {"declarearray(&a,32767)\ngetarrayvalue(&a,32767)", 4, 1, "a[32767]", ""},
    {"declarearray(&a,2)\nsetarrayvalue(&a,-1,1)", 4, 1, "a[2]", ""},
    {"getarrayvalue(&z,0)", 9, 0, "", ""},
    {"declareint(@i)\ngetarrayvalue(&i,0)", 4, 1, "i=0", ""},
    // Page objects: only an object of the right kind with that number is
    // acted on; 10 is a window of the page that holds no object.
    {"declareint(@n,listboxgetcount(3))\ndeclareint(@m,listboxgetcount(999))\n"
     "declareint(@k,listboxgetcount(10))\ndeclareint(@j,listboxgetcount(5))",
     -1, -1, "n=3 m=0 k=0 j=0", ""},
    {"declarestring($d)\ndeclarestring($e,\"x\")\ndeclareint(@n,listboxgetstring($d,3,1))\n"
     "declareint(@m,listboxgetstring($e,3,99))",
     -1, -1, "d=\"two\" e=\"\" n=3 m=-1", ""},
    {"declareint(@n,listboxinsertstring(\"four\",3,-1))\ndeclareint(@m,listboxdeletestring(3,0))\n"
     "declareint(@k,listboxdeletestring(10,0))\ndeclarestring($d)\nlistboxgetstring($d,3,2)",
     -1, -1, "n=3 m=3 k=-1 d=\"four\"", ""},
    {"declareint(@a,setcheckboxstate(4,5))\ndeclareint(@b,getcheckboxstate(4))\n"
     "declareint(@c,setcheckboxstate(5,1))\ndeclareint(@d,setcheckboxstate(10,1))",
     -1, -1, "a=0 b=1 c=0 d=0", ""},
    {"showobject(8,1)\nshowobject(10,0)\ndeclareint(@r,enableobject(8,0))\nenableobject(999,1)", -1, -1, "r=1",
     "show(8,1);startstop(8,0);"},
    {"declareint(@x)\ndeclareint(@y)\ndeclareint(@w)\ndeclareint(@h)\ngetobjectposition(8,@x,@y,@w,@h)", -1, -1,
     "x=20 y=30 w=160 h=128", ""},
    {"declarestring($s)\ndeclareint(@x)\ngetobjectposition(8,@x,@s)", 10, 2, "s=\"\" x=0", ""},
    {"declareint(@x)\ndeclarestring($s)\ngetobjectposition(8,@x,@s)", 10, 2, "x=20 s=\"\"", ""},
    {"getobjectposition(8,$x,@y)", 4, 0, "", ""},
    {"getobjectposition(8,@x)", 11, 0, "", ""},
    // The show and the system.
    {"jumptopage(2)\nprintpage(1)\nquit()", -1, -1, "", "page(2);print(1);quit;"},
    {"jumptopage(\"x\")", 4, 0, "", "page(0);"},
    {"quit(1)", 11, 0, "", ""},
    {"declareint(@a,controlvideo(4))", -1, -1, "a=0", "video(4);"},
    {"declareint(@a,setpriority(1))\ndeclareint(@b,setpriority(1))\ndeclareint(@c,setpriority(0))", -1, -1,
     "a=0 b=1 c=1", ""},
    {"messagebox(\"hi\")\ndeclareint(@y,yesnobox(\"sure?\"))", -1, -1, "y=0", "box(hi);yesno(sure?);"},
    {"opendocument(\"readme.txt\")", -1, -1, "", "open(readme.txt);"},
    {"setconfigstring(\"Level\",\"3\")\ndeclarestring($v)\ngetconfigstring($v,\"Level\")\n"
     "declarestring($w,\"x\")\ngetconfigstring($w,\"Never\")",
     -1, -1, "v=\"3\" w=\"\"", "set(Level=3);"},
    {"setconfigstring(\"\",\"3\")\nsetconfigstring(\"k\",5)", 4, 1, "", ""},
    {"setconfigstring(\"a\\nb\",\"3\")", 4, 0, "", ""},
    {"setconfigstring(\"k\",\"x\\ny\")", 4, 0, "", ""},
    {"sleep(250)\nsleep(-5)", -1, -1, "", "wait(100);wait(100);wait(50);"},
    {"beep()\nbeep(16)", -1, -1, "", "beep(0);beep(16);"},
    {"beep(1,2)", 11, 0, "", ""},
    // The graphic state; positions are script coordinates, whatever the offset.
    {"setdrawingoffset(100,50)\nsetposition(0,0)\ndeclareint(@x,gethorizontalpos())\ndeclareint(@y,getverticalpos())",
     -1, -1, "x=0 y=0", ""},
    {"setdrawingoffset(5,5)\nline(0,0,50,60)\ndeclareint(@x,gethorizontalpos())\ndeclareint(@y,getverticalpos())", -1,
     -1, "x=50 y=60", ""},
    {"setposition(5,6)\nsavegraphicstate()\nsetposition(7,8)\nsetdrawingoffset(1,1)\nsettexttransparent(1)\n"
     "restoregraphicstate()\ndeclareint(@x,gethorizontalpos())",
     -1, -1, "x=5", ""},
    {"savegraphicstate()\nsavegraphicstate()\nrestoregraphicstate()\nrestoregraphicstate()\nrestoregraphicstate()",
     1, 4, "", ""},
    {"do()\nrestoregraphicstate()", 7, 1, "", ""},
    {"do()\nsavegraphicstate()\nwhile(0)", 15, 2, "", ""},
    {"setpencolor(255)", 11, 0, "", ""},
    {"settextforecolor($x)", 4, 0, "", ""},
    {"declareint(@a,makecolor(300,0,0))\ndeclareint(@b,makecolor(0,0,255))", -1, -1, "a=44 b=16711680", ""},
    {"declareint(@a,getfixedcolor(0))\ndeclareint(@b,getfixedcolor(255))\ndeclareint(@c,getfixedcolor(1000))\n"
     "declareint(@d,getfixedcolor(3))\ndeclareint(@e,getfixedcolor(224))\ndeclareint(@f,getfixedcolor(-5))",
     -1, -1, "a=0 b=16777215 c=16777215 d=16711680 e=255 f=0", ""},
    {"declareint(@a,isequal(getsyscolor(40),getsyscolor(24)))\ndeclareint(@b,getbackgroundcolor())\n"
     "declareint(@w,getframewidth())\ndeclareint(@h,getframedepth())\n"
     "declareint(@s,and(isgreaterthan(getscreenwidth(),0),isgreaterthan(getscreendepth(),0)))\n"
     "declareint(@t,isgreaterthan(getscreenbits(),7))",
     -1, -1, "a=1 b=8421504 w=160 h=128 s=1 t=1", ""},
    {"getframewidth(1)", 11, 0, "", ""},
    // Shapes of points: counts are signed and bounded by the array.
    {"declarearray(&p,6)\ndeclareint(@a,framepolygon(&p,10))\ndeclareint(@b,fillpolygon(&p,2147483647))\n"
     "declareint(@c,fillpolygon(&p,2))",
     -1, -1, "p[6] a=3 b=3 c=2", ""},
    {"declarearray(&p,3)\nframepolygon(&p,10)", 4, 1, "p[3]", ""},
    {"declarearray(&p,6)\nframepolygon(&p,-1)", 4, 1, "p[6]", ""},
    {"declarearray(&p,6)\nframepolygon(&p,-2147483648)", 4, 1, "p[6]", ""},
    {"declareint(@i)\nframepolygon(@i,3)", 9, 1, "i=0", ""},
    {"declareint(@i)\nframepolygon(&i,3)", 4, 1, "i=0", ""},
    {"declarearray(&p,8)\nbeziercurve(&p,3)", 4, 1, "p[8]", ""},
    {"declarearray(&p,8)\ndeclareint(@n,beziercurve(&p,4))", -1, -1, "p[8] n=4", ""},
    {"arc(0,0,100,100,-10,400)\nfillpie(-2147483648,0,2147483647,100,89,90)\nframepie(0,0,0,0,270,271)", -1, -1, "",
     ""},
    // Hostile sizes draw what they can and end.
    {"setpencolor(255,2147483647)\nline(0,0,100,100)\nframerect(0,0,50,50)\nframeellipse(-2147483648,0,2147483647,50)\n"
     "arc(0,0,50,50,0,180)\nframeroundrect(0,0,50,50,2147483647,-2147483648)\nsetpencolor(255,-5)\nline(0,0,9,9)",
     -1, -1, "", ""},
    {"setfont(\"ARIAL\",2147483647,1,1,1,2147483647)\nprint(\"big\",-2147483648)\nsetfont(\"\",-2147483648,0,0,0)\n"
     "paragraphtext(\"a b c\",-2147483648,2147483647,2147483647,3,2147483647)\n"
     "setdrawingoffset(2147483647,2147483647)\n"
     "drawgradient(0,255,-2147483648,0,2147483647,10,0)\nsaveframearea(-2147483648,0,2147483647,2147483647)\n"
     "restoreframearea(2147483647,2147483647)\ncopyframearea(2147483647,0,0,0,2147483647,2147483647)\n"
     "drawpicture(3,2147483647,2147483647)",
     -1, -1, "", ""},
    {"declareint(@a,drawgradient(0,255,0,0,0,10,0))\ndeclareint(@b,setpixel(3,4,255))", -1, -1, "a=0 b=255", ""},
    // Text.
    {"declareint(@n,print(\"A\",12,\"B\"))", -1, -1, "n=4", ""},
    {"print()", 11, 0, "", ""},
    {"print(@undeclared,\"z\")", 9, 0, "", ""},
    {"declareint(@r,isequal(paragraphtext(\"one two three\",0,0,5,0),mul(paragraphtext(\"one\",0,0,5,0),3)))", -1, -1,
     "r=1", ""},
    {"declareint(@r,sub(paragraphtext(\"one\",0,0,100,0,4),paragraphtext(\"one\",0,0,100,0)))\nsettexttransparent(1)\n"
     "declareint(@t,sub(paragraphtext(\"one\",0,0,100,0,4),paragraphtext(\"one\",0,0,100,0)))",
     -1, -1, "r=8 t=8", ""},
    {"declareint(@r,paragraphtext(5,0,0,100,0))", 4, 0, "", ""},
    {"paragraphtext(\"a\",0,0,100)", 11, 0, "", ""},
    {"declareint(@b,gettextlength(\"abc\"))\nsetfont(\"ARIAL\",40,0,0,0)\n@b=sub(gettextlength(\"abc\"),@b)\n"
     "declareint(@c,isgreaterthan(gettextlength(\"abc\"),0))\ndeclareint(@d,isgreaterthan(gettextdepth(\"abc\"),0))",
     -1, -1, "b=0 c=1 d=1", ""},
    {"setfont(\"Courier New\",20,1,0,0)\nsetfont(\"Courier New\",20,1,0,0,90,0,5,6)", -1, -1, "", ""},
    {"setfont(\"ARIAL\",20,1,0)", 11, 0, "", ""},
    {"setfont(3,20,1,0,0)", 4, 0, "", ""},
    // Pictures and frame areas.
    {"declareint(@w)\ndeclareint(@h)\ndeclareint(@b)\ngetpicturedimensions(3,@w,@h,@b)\ndrawpicture(3,0,0)", -1, -1,
     "w=3 h=2 b=24", ""},
    {"declareint(@w,9)\ndeclareint(@b)\ngetpicturedimensions(3,@w,@w,@b)", -1, -1, "w=3 b=24", ""},
    {"declareint(@w)\ndeclareint(@h)\ndeclareint(@b)\ngetpicturedimensions(32515,@w,@h,@b)\ndrawpicture(32515,10,10)",
     -1, -1, "w=32 h=32 b=4", ""},
    {"declareint(@w,5)\ndeclareint(@b)\ngetpicturedimensions(7,@w,@w,@b)", 16, 2, "w=5 b=0", ""},
    {"declareint(@b)\ndeclarestring($s)\ngetpicturedimensions(3,@b,@s,@b)", 10, 2, "b=3 s=\"\"", ""},
    {"getpicturedimensions(3,$w,@h,@b)", 4, 0, "", ""},
    {"drawpicture(0,0,0)", 16, 0, "", ""},
    {"drawpicture(7,0,0)", 16, 0, "", ""},
    {"drawpicture(2,0,0)", 16, 0, "", ""},
    {"drawpicture(3,0)", 11, 0, "", ""},
    {"saveframearea(0,0,9,9)\nrestoreframearea(50,50)\nrestoreframearea(0,0)", 1, 2, "", ""},
    {"do()\nsaveframearea(0,0,9,9)\nrestoreframearea(0,0)\nrestoreframearea(0,0)", 7, 3, "", ""},
    {"saveframearea(50,50,10,10)\nrestoreframearea(0,0)", -1, -1, "", ""},
    {"declareint(@a,copyframearea(0,0,10,10,19,19))\ndeclareint(@b,copyframearea(0,0,50,50,10,10))", -1, -1, "a=1 b=0",
     ""},
    {"add(1,saveframearea(0,0,5,5))", 4, 0, "", ""},
    // Object texts and sounds.
    {"declareint(@a,setobjecttext(\"Hello\",5))\ndeclareint(@b,setobjecttext(\"Hi\",9))", -1, -1, "a=5 b=2",
     "settext(5,Hello);settext(9,Hi);"},
    {"declarestring($s)\ndeclareint(@n,getobjecttext($s,5))\ndeclarestring($t,\"x\")\n"
     "declareint(@m,getobjecttext($t,9))",
     -1, -1, "s=\"abc\" n=3 t=\"\" m=0", ""},
    {"declareint(@n)\ngetobjecttext($n,5)", 10, 1, "n=0", ""},
    {"getobjecttext($_OWN,5)", 10, 0, "", ""},
    {"getobjecttext(@s,5)", 4, 0, "", ""},
    {"declareint(@n,setobjecttext(5,5))", 4, 0, "", ""},
    {"declareint(@a,playsound(2))\ndeclareint(@b,issoundplaying())\nkillsound()\ndeclareint(@c,issoundplaying())\n"
     "playsound(3)",
     -1, -1, "a=1 b=1 c=0", "play(wave,WAVE-2);kill;play(midi,MIDI-3);"},
    {"playsound(0)", 16, 0, "", ""},
    {"playsound(4)", 16, 0, "", ""},
    {"playsound(\"x\")", 16, 0, "", ""},
    {"killsound(1)", 11, 0, "", ""},
};

TEST_F(Scripts, Transcripts)
{
    for (const Row &row : rows) {
        SetUp();
        host.log.clear();
        Outcome out = RunScript(row.script, 50);
        SCOPED_TRACE(row.script);
        EXPECT_EQ(out.result, row.result);
        EXPECT_EQ(out.errorline, row.errorline);
        EXPECT_EQ(out.variables, row.variables);
        EXPECT_EQ(out.log, row.log);
        EXPECT_EQ(host.locks, 0);
        EXPECT_EQ(host.dcs, 0);
        host.objects.clear();
    }
}

TEST_F(Scripts, ModalAnswersAndAbortedSleep)
{
    host.answers = {IDOK, IDYES, IDNO};
    EXPECT_EQ(RunScript("declareint(@a,messagebox(\"x\"))\ndeclareint(@b,yesnobox(\"y\"))\ndeclareint(@c,yesnobox(\"z\"))")
                  .variables,
              "a=1 b=1 c=0");
    host.log.clear();
    host.abortafter = 1;
    EXPECT_EQ(RunScript("sleep(100000)").log, "wait(100);");
    host.log.clear();
    host.profile["Doc/Long"] = std::string(5000, 'v');
    EXPECT_EQ(RunScript("declarestring($v)\ngetconfigstring($v,\"Long\")\ndeclareint(@n,strlen($v))").variables,
              "v=\"" + std::string(1024, 'v') + "\" n=1024");
    host.video = 12;
    EXPECT_EQ(RunScript("declareint(@a,controlvideo(4))\ndeclareint(@b,controlvideo(1))").variables, "a=12 b=1");
}

TEST_F(Scripts, BuiltInVariables)
{
    host.page = 2;
    host.pages = 5;
    host.notifynumber = 3;
    host.notifytag = TAG_LIST;
    Outcome out = RunScript("declareint(@tmr,@_TMR)\ndeclareint(@sti,@_STI)\ndeclareint(@pag,@_PAG)\n"
                      "declareint(@pct,@_PCT)\ndeclareint(@apn,@_APN)\ndeclareint(@ntf,@_NTF)\n"
                      "declareint(@typ,@_TYP)\ndeclareint(@own,isgreaterthan(strlen($_OWN),0))\n"
                      "declareint(@org,isgreaterthan(strlen($_ORG),0))");
    EXPECT_EQ(out.result, -1);
    // Without a notify window nothing is asked of it.
    EXPECT_EQ(out.variables, "tmr=" + std::to_string((int32_t)TAG_TIME) + " sti=" + std::to_string((int32_t)TAG_STAT) +
                                 " pag=2 pct=5 apn=7 ntf=0 typ=0 own=1 org=1");
}

TEST_F(Scripts, TimeText)
{
    HGLOBAL object = MakeAppletObject("declarestring($t)\nstrgettime($t)");
    APPLET a;
    ASSERT_EQ(APPLETInitApplet(&a, nullptr, object, 0, 0, nullptr, "", &FakeHost::host), 1);
    EXPECT_STREQ(a.appname, "UNTITLED");
    EXPECT_EQ(APPLETProcessLine(&a, nullptr), 0);
    EXPECT_EQ(APPLETProcessLine(&a, nullptr), 0);
    EXPECT_EQ(returnvalue.value, 24u);
    std::string t = Variables(&a);
    ASSERT_EQ(t.size(), 3u + 24 + 1);
    EXPECT_EQ(t.substr(6, 1) + t.substr(10, 1) + t.substr(22, 1), "   ");
    EXPECT_EQ(t.substr(16, 1) + t.substr(19, 1), "::");
    APPLETFreeApplet(&a);
    GlobalFree(object);
}

} // namespace
