#include "ProgramFixture.h"

#include <functional>

namespace {

using platform::fake::FakePlatform;

struct ModeCase {
    const char* settings;  // file text; nullptr: no file
    const char* window;
    bool onTop;
    int sizeMode;
};

class StartUpModes : public ProgramTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(StartUpModes, ShowExactlyOneClockInTheModeRead) {
    const ModeCase& c = GetParam();
    if (c.settings) Settings(c.settings);
    Program& p = Start();

    bool small = std::string(c.window) == "Clock_Mini";
    const char* other = small ? "Clock" : "Clock_Mini";
    ASSERT_NE(fake.Window(c.window), nullptr);
    EXPECT_TRUE(fake.Window(c.window)->visible);
    EXPECT_EQ(fake.Window(c.window)->topmost, c.onTop);
    EXPECT_FALSE(Logged(std::string("CreateFormWindow ") + other)) << "the other clock is never created";
    EXPECT_EQ(fake.Calls("StartTimer"), std::vector<std::string>{std::string("StartTimer ") + c.window + " 200"});
    EXPECT_EQ(p.SizeMode, c.sizeMode);
    EXPECT_EQ(p.about.Check1.Value(), c.onTop ? 1 : 0);
    EXPECT_EQ(p.about.Option1.Value(), !small);
    EXPECT_EQ(p.about.Option2.Value(), small);
    // The controls show the same state as the dialog's model.
    auto* about = fake.Window("about");
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->visible);
    EXPECT_TRUE(fake.files.count(iniPath) == (c.settings != nullptr)) << "start-up never creates the file";
    EXPECT_TRUE(fake.Calls("CreateNew").empty() && fake.Calls("OpenWrite").empty());
}

INSTANTIATE_TEST_SUITE_P(
    SizeValues, StartUpModes,
    ::testing::Values(ModeCase{nullptr, "Clock", false, 0},                      //
                      ModeCase{"[MAIN]\r\n", "Clock", false, 0},                 //
                      ModeCase{"[MAIN]\r\nSIZE=0\r\n", "Clock", false, 0},       //
                      ModeCase{"[MAIN]\r\nSIZE=1\r\n", "Clock", true, 1},        //
                      ModeCase{"[MAIN]\r\nSIZE=2\r\n", "Clock_Mini", false, 2},  //
                      ModeCase{"[MAIN]\r\nSIZE=3\r\n", "Clock_Mini", true, 3},   //
                      ModeCase{"[MAIN]\r\nSIZE=5\r\n", "Clock_Mini", false, 2},  //
                      ModeCase{"[MAIN]\r\nSIZE=7\r\n", "Clock_Mini", false, 2},  //
                      ModeCase{"[MAIN]\r\nSIZE=-1\r\n", "Clock", false, 0},      //
                      ModeCase{"[MAIN]\r\nSIZE=-4\r\n", "Clock", false, 0},      //
                      ModeCase{"[MAIN]\r\nSIZE=2.5\r\n", "Clock_Mini", false, 2},
                      ModeCase{"[MAIN]\r\nSIZE=1.5\r\n", "Clock_Mini", false, 2},  // 1.5 rounds to 2
                      ModeCase{"[MAIN]\r\nSIZE=0.5\r\n", "Clock", false, 0},       // 0.5 rounds to 0
                      ModeCase{"[MAIN]\r\nSIZE=3.4\r\n", "Clock_Mini", true, 3},
                      ModeCase{"[MAIN]\r\nSIZE=abc\r\n", "Clock", false, 0},
                      ModeCase{"[MAIN]\r\nSIZE=3abc\r\n", "Clock_Mini", true, 3},
                      ModeCase{"[MAIN]\r\nSIZE = 3 \r\n", "Clock_Mini", true, 3},
                      ModeCase{"[main]\r\nsize=1\r\n", "Clock", true, 1},          // names ignore case
                      ModeCase{"[MAIN]\r\nSIZE=99999\r\n", "Clock_Mini", false, 2}, // saturates at 32767
                      ModeCase{"[MAIN]\r\nSIZE=1e10\r\n", "Clock_Mini", false, 2},
                      ModeCase{"[MAIN]\r\nSIZE=-99999\r\n", "Clock", false, 0},    // saturates at -32768
                      ModeCase{"[OTHER]\r\nSIZE=3\r\n", "Clock", false, 0}));

TEST_F(ProgramTest, NoSettingsFileGivesTheLargeClockAtTheTopLeftCorner) {
    Program& p = Start();
    // Centred by its own load on a 1024 x 768 screen, then placed at 0, 0.
    EXPECT_TRUE(Logged("Move Clock 4080 2160"));
    EXPECT_EQ(p.Clock.form.Top(), 0);
    EXPECT_EQ(p.Clock.form.Left(), 0);
    EXPECT_TRUE(Logged("SetWindowPos Clock NOTOPMOST 0 0 480 480 80"));
    EXPECT_EQ(p.IniPath, iniPath);
}

TEST_F(ProgramTest, StepsRunInOrder) {
    Settings("[MAIN]\r\nSIZE=3\r\nTOP=1500\r\nLEFT=-45\r\n");
    Start();
    std::vector<std::string> expected = {
        "CreateFormWindow about",
        "Move about 5767.5 4642.5",  // the hidden dialog is centred first
        "DoEvents",
        "OpenRead " + iniPath,  // the one read, of the whole file
        "CreateFormWindow Clock_Mini",
        "CreateEllipticRgn 0 0 233 233",
        "SetWindowRgn Clock_Mini redraw",
        "Move Clock_Mini 0 1500",
        "Move Clock_Mini -45 1500",
        "ShowWindow Clock_Mini",
        "SetWindowPos Clock_Mini TOPMOST -3 100 237 237 80",
    };
    long last = -1;
    for (const auto& line : expected) {
        long at = IndexOf(line);
        EXPECT_GT(at, last) << line;
        last = std::max(last, at);
    }
    EXPECT_FALSE(fake.Window("about")->visible);
}

TEST_F(ProgramTest, PositionsAreReadAsStored) {
    struct Case {
        const char* top;
        const char* left;
        double expectedTop;
        double expectedLeft;
    };
    const Case cases[] = {
        {"-1 5 0 0", "1 2 0 0 0", -1500, 12000},  // longer than five characters
        {"1500", "-45", 1500, -45},
        {"2.5", "-0.5", 2.5, -0.5},          // kept as they are, not rounded
        {"1e39", "-1e39", 0, 0},             // beyond single precision
        {"NaN", "Inf", 0, 0},
        {"", "x", 0, 0},
        {"1 2 3", "\t-7", 123, -7},
    };
    for (const auto& c : cases) {
        platform::fake::FakePlatform local;
        platform::Platform localSys = local.Get();
        local.files[iniPath] = std::string("[MAIN]\r\nSIZE=2\r\nTOP=") + c.top + "\r\nLEFT=" + c.left + "\r\n";
        Program p(localSys);
        p.Start();
        EXPECT_EQ(p.Clock_Mini.form.Top(), c.expectedTop) << c.top;
        EXPECT_EQ(p.Clock_Mini.form.Left(), c.expectedLeft) << c.left;
    }
}

// A clock whose dial (the hands' pivot) lies on no monitor comes, by the least
// move, wholly into the work area of the nearest monitor; one whose dial is on
// a monitor never moves. At 96 dpi; positions are window corners in pixels.
TEST_F(ProgramTest, ADialOnNoMonitorComesIntoTheNearestWorkArea) {
    using Desk = std::vector<platform::fake::FakeMonitor>;
    const Desk one{};  // 1024 x 768
    const Desk two{{{0, 0, 1024, 768}, {0, 0, 1024, 768}}, {{-800, 0, 0, 600}, {-800, 0, 0, 600}}};
    const Desk gap{{{0, 0, 1024, 768}, {0, 0, 1024, 768}}, {{1224, 0, 2248, 768}, {1224, 0, 2248, 768}}};
    const Desk taskBar{{{0, 0, 1024, 768}, {0, 0, 1024, 728}}};
    const Desk tiny{{{0, 0, 400, 300}, {0, 0, 400, 300}}};

    auto switchToSmall = [](FakePlatform& f) {
        f.onModal = [](FakePlatform& m) {
            m.ClickControl("about", "Option2");
            m.ClickControl("about", "Command1");
        };
        f.MouseDown("Clock", platform::RightButton, 500, 500);
        f.onModal = nullptr;
    };
    auto leftMonitorGoes = [](FakePlatform& f) {
        f.monitors.erase(f.monitors.begin() + 1);
        f.DisplayChange();
    };
    auto leftMonitorGoesInADrag = [&](FakePlatform& f) {
        f.MouseDown("Clock", platform::LeftButton, 3000, 3000);
        leftMonitorGoes(f);
        EXPECT_EQ(f.Window("Clock")->rect.left, -10500) << "not moved while dragged";
        f.MouseUp("Clock", platform::LeftButton, 3000, 3000);
    };
    auto workAreaShrinks = [](FakePlatform& f) {
        f.monitors = {{{0, 0, 1024, 768}, {0, 0, 1024, 600}}};
        f.DisplayChange();
    };
    // No message comes, as from Wine when its X screen is resized: the tick
    // looks once a second, at the fifth; the fourth has not yet.
    auto ticks = [](FakePlatform& f, int count) {
        for (int i = 0; i < count; ++i) f.Tick("Clock");
    };
    auto screenShrinksUnsaid = [&](FakePlatform& f) {
        f.monitors = {{{0, 0, 800, 600}, {0, 0, 800, 600}}};
        ticks(f, 4);
        EXPECT_EQ(f.Window("Clock")->rect.left, 10500) << "not yet";
        ticks(f, 1);
    };
    auto leftMonitorGoesUnsaid = [&](FakePlatform& f) {
        f.monitors.erase(f.monitors.begin() + 1);
        ticks(f, 5);
    };
    // The dialog, centred on the larger screen at start-up, is opened on a smaller one.
    auto screenShrinksThenTheDialog = [](FakePlatform& f) {
        f.monitors = {{{0, 0, 600, 400}, {0, 0, 600, 400}}};
        f.MouseDown("Clock", platform::RightButton, 500, 500);
    };

    struct Case {
        const char* name;
        Desk desk;
        const char* settings;
        std::function<void(FakePlatform&)> then;
        const char* window;
        int x;
        int y;
        const char* saved;  // the file afterwards; nullptr: as it was
    };
    const Case cases[] = {
        {"far below", one, "TOP=123456", nullptr, "Clock", 0, 288, nullptr},
        {"far right and below", one, "TOP=9000\r\nLEFT=30000", nullptr, "Clock", 544, 288, nullptr},
        {"hanging off the left, dial on", one, "SIZE=1\r\nLEFT=-1500", nullptr, "Clock", -100, 0, nullptr},
        {"small, above and left", one, "SIZE=2\r\nTOP=-3000\r\nLEFT=-3000", nullptr, "Clock_Mini", 0, 0, nullptr},
        {"on the left monitor", two, "TOP=750\r\nLEFT=-10500", nullptr, "Clock", -700, 50, nullptr},
        {"dial on the last column", one, "LEFT=11565", nullptr, "Clock", 771, 0, nullptr},
        {"dial one past the right edge", one, "LEFT=11580", nullptr, "Clock", 544, 0, nullptr},
        {"dial on the first column", one, "LEFT=-3780", nullptr, "Clock", -252, 0, nullptr},
        {"dial one before the left edge", one, "LEFT=-3795", nullptr, "Clock", 0, 0, nullptr},
        {"in a gap, mostly on the left", gap, "LEFT=12720", nullptr, "Clock", 544, 0, nullptr},
        {"in a gap, mostly on the right", gap, "LEFT=14220", nullptr, "Clock", 1224, 0, nullptr},
        {"above a task bar", taskBar, "TOP=123456", nullptr, "Clock", 0, 248, nullptr},
        {"larger than the monitor", tiny, "TOP=9000\r\nLEFT=30000", nullptr, "Clock", 0, 0, nullptr},
        {"small after a switch", one, "TOP=2250\r\nLEFT=-3750", switchToSmall, "Clock_Mini", 0, 150,
         "[MAIN]\r\nTOP=2250\r\nLEFT=0\r\nSIZE=2\r\n"},
        {"its monitor unplugged", two, "TOP=750\r\nLEFT=-10500", leftMonitorGoes, "Clock", 0, 50, nullptr},
        // Brought onto the monitor left as the drag ends, and saved where it then stands.
        {"its monitor unplugged in a drag", two, "TOP=750\r\nLEFT=-10500", leftMonitorGoesInADrag, "Clock", 0, 50,
         "[MAIN]\r\nTOP=750\r\nLEFT=0\r\n"},
        {"work area shrinks, dial still on", one, "TOP=4320\r\nLEFT=8160", workAreaShrinks, "Clock", 544, 288,
         nullptr},
        {"the screen shrinks, unsaid", one, "LEFT=10500", screenShrinksUnsaid, "Clock", 320, 0, nullptr},
        {"its monitor unplugged, unsaid", two, "TOP=750\r\nLEFT=-10500", leftMonitorGoesUnsaid, "Clock", 0, 50,
         nullptr},
        {"the dialog after the screen shrinks", one, "", screenShrinksThenTheDialog, "about", 345, 251, nullptr},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.monitors = c.desk;
        std::string settings = std::string("[MAIN]\r\n") + c.settings + "\r\n";
        local.files[iniPath] = settings;
        Program p(localSys);
        p.Start();
        if (c.then) c.then(local);
        ASSERT_NE(local.Window(c.window), nullptr) << c.name;
        EXPECT_TRUE(local.Window(c.window)->visible) << c.name;
        EXPECT_EQ(local.Window(c.window)->rect.left, c.x * 15) << c.name;
        EXPECT_EQ(local.Window(c.window)->rect.top, c.y * 15) << c.name;
        EXPECT_EQ(local.files[iniPath], c.saved ? c.saved : settings) << c.name;
    }
}

// A file another program holds open at start-up (a sync tool, a virus
// scanner) is waited for; one held all that time gives the defaults, and only
// what the user then sets is ever written over what the file holds.
TEST_F(ProgramTest, ALockedFileCostsTheUserNoSetting) {
    const std::string stored = "[MAIN]\r\nSIZE=3\r\nTOP=4500\r\nLEFT=6000\r\n";
    auto quit = [](FakePlatform& f, const char* clock) {
        f.onModal = [](FakePlatform& m) { m.ClickControl("about", "Command2"); };
        f.MouseDown(clock, platform::RightButton, 500, 500);
    };
    auto drag = [](FakePlatform& f) {
        f.MouseDown("Clock", platform::LeftButton, 1000, 1000);
        f.MouseMove("Clock", platform::LeftButton, 1300, 1150);
        f.MouseUp("Clock", platform::LeftButton, 1300, 1150);
    };
    struct Case {
        const char* name;
        int heldMs;  // negative: for good
        std::function<void(FakePlatform&)> then;  // the file let go first, unless held for good
        const char* window;
        bool onTop;
        double left, top;
        const char* saved;  // nullptr: as stored
    };
    const Case cases[] = {
        {"let go within the wait", 1000, [&](FakePlatform& f) { quit(f, "Clock_Mini"); }, "Clock_Mini", true, 6000,
         4500, nullptr},
        {"held for good, then quit", -1, [&](FakePlatform& f) { quit(f, "Clock"); }, "Clock", false, 0, 0, nullptr},
        {"held for good, let go, dragged and quit", -1,
         [&](FakePlatform& f) {
             drag(f);
             quit(f, "Clock");
         },
         "Clock", false, 300, 150, "[MAIN]\r\nSIZE=3\r\nTOP=150\r\nLEFT=300\r\n"},
        {"held for good, let go, on top by O K and quit", -1,
         [&](FakePlatform& f) {
             f.onModal = [](FakePlatform& m) {
                 m.ClickControl("about", "Check1");
                 m.ClickControl("about", "Command1");
             };
             f.MouseDown("Clock", platform::RightButton, 500, 500);
             quit(f, "Clock");
         },
         "Clock", true, 0, 0, "[MAIN]\r\nSIZE=1\r\nTOP=4500\r\nLEFT=6000\r\n"},
        {"held for good, let go, a click that moves nothing", -1,
         [&](FakePlatform& f) {
             f.MouseDown("Clock", platform::LeftButton, 1000, 1000);
             f.MouseUp("Clock", platform::LeftButton, 1000, 1000);
         },
         "Clock", false, 0, 0, nullptr},
        {"held through a drag, let go, then quit", -1,
         [&](FakePlatform& f) {
             f.heldFiles[iniPath] = -1;
             drag(f);
             f.heldFiles.clear();
             quit(f, "Clock");
         },
         "Clock", false, 300, 150, "[MAIN]\r\nSIZE=3\r\nTOP=150\r\nLEFT=300\r\n"},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.files[iniPath] = stored;
        local.heldFiles[iniPath] = c.heldMs;
        Program p(localSys);
        p.Start();
        if (c.heldMs < 0) local.heldFiles.clear();
        c.then(local);
        const platform::fake::FakeWindow* shown = local.Window(c.window);
        ASSERT_NE(shown, nullptr) << c.name;
        EXPECT_EQ(shown->topmost, c.onTop) << c.name;
        EXPECT_EQ(shown->rect.left, c.left) << c.name;
        EXPECT_EQ(shown->rect.top, c.top) << c.name;
        EXPECT_EQ(local.files[iniPath], c.saved ? c.saved : stored) << c.name;
    }
}

TEST_F(ProgramTest, SettingsPathHasExactlyOneSeparator) {
    struct Case {
        const char* folder;
        const char* path;
    };
    const Case cases[] = {
        {"C:\\", "C:\\Vo_Clock.ini"},
        {"C:\\Clock", "C:\\Clock\\Vo_Clock.ini"},
        {"\\\\server\\share", "\\\\server\\share\\Vo_Clock.ini"},
        {"D:\\時計 フォルダ", "D:\\時計 フォルダ\\Vo_Clock.ini"},
    };
    for (const auto& c : cases) {
        platform::fake::FakePlatform local;
        platform::Platform localSys = local.Get();
        local.appPath = c.folder;
        Program p(localSys);
        p.Start();
        EXPECT_EQ(p.IniPath, c.path);
        EXPECT_EQ(local.Calls("OpenRead"), std::vector<std::string>{std::string("OpenRead ") + c.path});
    }
}

TEST_F(ProgramTest, SecondCopyShowsTheNoticeAndEndsWithoutAClock) {
    Settings("[MAIN]\r\nSIZE=3\r\n");
    fake.prevInstance = true;
    Start();
    EXPECT_TRUE(Logged("MsgBox 48 Marisole Clock: 既に､起動されています。"));
    EXPECT_TRUE(fake.ended);
    EXPECT_GT(IndexOf("End"), IndexOf("MsgBox 48 Marisole Clock: 既に､起動されています。"));
    EXPECT_FALSE(Logged("CreateFormWindow Clock"));
    EXPECT_FALSE(Logged("CreateFormWindow Clock_Mini"));
    EXPECT_TRUE(fake.Calls("OpenRead").empty());
    EXPECT_TRUE(fake.Calls("CreateNew").empty());
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=3\r\n");
}

TEST_F(ProgramTest, DialogIsCentredOnlyInTheNormalState) {
    struct Case {
        platform::WindowState state;
        bool centred;
    };
    const Case cases[] = {
        {platform::WindowState::Normal, true},
        {platform::WindowState::Minimized, false},
        {platform::WindowState::Maximized, false},
    };
    for (const auto& c : cases) {
        platform::fake::FakePlatform local;
        platform::Platform localSys = local.Get();
        local.newWindowState = c.state;
        Program p(localSys);
        p.Start();
        // The frame of 255 x 149 px (a client area of 249 x 123) in the middle of 1024 x 768.
        EXPECT_EQ(local.Calls("Move about"), c.centred ? std::vector<std::string>{"Move about 5767.5 4642.5"}
                                                       : std::vector<std::string>{})
            << static_cast<int>(c.state);
        // Nor is the large clock centred unless it loads in the normal state.
        EXPECT_EQ(local.Calls("Move Clock 4080 2160").size(), c.centred ? 1u : 0u) << static_cast<int>(c.state);
    }
}

TEST_F(ProgramTest, ActivationLiftsTheDialogAndNotesTheMode) {
    Settings("[MAIN]\r\nSIZE=1\r\n");
    Program& p = Start();
    p.about.ClosedByOk = 1;
    fake.onModal = [&](platform::fake::FakePlatform&) {
        EXPECT_EQ(p.about.SizeAtOpen, 1);
        EXPECT_EQ(p.about.ClosedByOk, 0);
        EXPECT_TRUE(fake.Window("about")->topmost);
        EXPECT_FALSE(fake.Window("Clock")->enabled) << "the clock takes no input meanwhile";
    };
    fake.MouseDown("Clock", platform::RightButton, 100, 100);
    // 5767.5 / 15 = 384.5 and 4642.5 / 15 = 309.5: halves go to the even pixel.
    EXPECT_TRUE(Logged("SetWindowPos about TOPMOST 384 310 255 149 80"));
    EXPECT_TRUE(Logged("RunModal about"));
    EXPECT_TRUE(fake.Window("Clock")->enabled);
}

}  // namespace
