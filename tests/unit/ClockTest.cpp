// The clocks tell the time: hand end points, load and tick, repainting, blink.

#include "ProgramFixture.h"
#include "clock/Hands.h"
#include "forms/Layouts.h"

#include <cstdio>
#include <cstring>

namespace {

using hands::HandEnds;
using hands::HandPoint;
using platform::TimeOfDay;
using platform::fake::FakePlatform;

struct EndPointCase {
    TimeOfDay time;
    HandEnds large;
    HandEnds small;
};

const EndPointCase kEndPoints[] = {
    {{0, 0, 0}, {{3775, 4803}, {3775, 4903}, {3775, 5103}}, {{1740, 393}, {1740, 693}, {1740, 993}}},
    {{3, 0, 0}, {{3775, 4803}, {3775, 4903}, {4372, 5700}}, {{1740, 393}, {1740, 693}, {2487, 1740}}},
    {{15, 0, 0}, {{3775, 4803}, {3775, 4903}, {4372, 5700}}, {{1740, 393}, {1740, 693}, {2487, 1740}}},
    {{9, 45, 30}, {{3775, 6597}, {2978, 5700}, {3223, 5472}}, {{1740, 3087}, {693, 1740}, {1050, 1454}}},
    {{23, 59, 59}, {{3681, 4808}, {3692, 4907}, {3770, 5103}}, {{1599, 400}, {1631, 699}, {1733, 993}}},
    {{12, 0, 0}, {{3775, 4803}, {3775, 4903}, {3775, 5103}}, {{1740, 393}, {1740, 693}, {1740, 993}}},
};

HandEnds Shown(const ClockWindow& clock) {
    auto point = [](const platform::Line& line) {
        return HandPoint{static_cast<std::int16_t>(line.X2()), static_cast<std::int16_t>(line.Y2())};
    };
    return {point(clock.Line3), point(clock.Line2), point(clock.Line1)};
}

TEST(Hands, EndPointsAtTheTick) {
    for (const auto& c : kEndPoints) {
        EXPECT_EQ(hands::ComputeHands(kLargeClock.dial, c.time.hour, c.time.minute, c.time.second,
                                      hands::kTickFactors, false),
                  c.large)
            << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
        EXPECT_EQ(hands::ComputeHands(kSmallClock.dial, c.time.hour, c.time.minute, c.time.second,
                                      hands::kTickFactors, false),
                  c.small)
            << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
    }
}

TEST(Hands, LoadFactorsAgreeWithTheTickLiterals) {
    // The decimal literals stop after thirteen places; the computed factors differ by a few 1e-14.
    EXPECT_NEAR(hands::kLoadFactors.halfPi, hands::kTickFactors.halfPi, 1e-13);
    EXPECT_NEAR(hands::kLoadFactors.perMinuteMark, hands::kTickFactors.perMinuteMark, 1e-13);
    EXPECT_NEAR(hands::kLoadFactors.perHourMark, hands::kTickFactors.perHourMark, 1e-13);
    // So that no rounded coordinate differs, at any time of day.
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; ++m) {
            for (int s = 0; s < 60; s += 7) {
                EXPECT_EQ(hands::ComputeHands(kLargeClock.dial, h, m, s, hands::kLoadFactors, false),
                          hands::ComputeHands(kLargeClock.dial, h, m, s, hands::kTickFactors, false));
            }
        }
    }
}

class ClockTest : public ProgramTest {};

TEST_F(ClockTest, BothWindowsShowTheTableAtEveryTick) {
    for (const auto& c : kEndPoints) {
        for (bool small : {false, true}) {
            platform::fake::FakePlatform local;
            platform::Platform localSys = local.Get();
            local.files[iniPath] = small ? "[MAIN]\r\nSIZE=2\r\n" : "";
            Program p(localSys);
            p.Start();
            local.time = c.time;
            local.Tick(small ? "Clock_Mini" : "Clock");
            EXPECT_EQ(Shown(small ? p.Clock_Mini : p.Clock), small ? c.small : c.large)
                << (small ? "small " : "large ") << c.time.hour << ":" << c.time.minute;
        }
    }
}

TEST_F(ClockTest, LargeClockLoadsWithTheMinuteHandBetweenTheMarks) {
    fake.time = {10, 20, 30};
    Program& p = Start();
    EXPECT_EQ(Shown(p.Clock).minute, (HandPoint{4443, 6134}));
    EXPECT_EQ(p.Clock.Hours, 10);
    EXPECT_EQ(p.Clock.Minutes, 20);
    EXPECT_EQ(p.Clock.Seconds, 30);
    fake.Tick("Clock");
    EXPECT_EQ(Shown(p.Clock).minute, (HandPoint{4465, 6098}));
}

TEST_F(ClockTest, SmallClockLoadsAsItTicks) {
    fake.time = {10, 20, 30};
    Settings("[MAIN]\r\nSIZE=2\r\n");
    Program& p = Start();
    HandEnds atLoad = Shown(p.Clock_Mini);
    fake.Tick("Clock_Mini");
    EXPECT_EQ(Shown(p.Clock_Mini), atLoad);
    EXPECT_EQ(atLoad, hands::ComputeHands(kSmallClock.dial, 10, 20, 30, hands::kTickFactors, false));
}

TEST_F(ClockTest, TicksWithinOneSecondRepaintNothing) {
    fake.time = {9, 45, 30};
    Start();
    fake.Tick("Clock");
    auto& invalidated = fake.Window("Clock")->invalidated;
    invalidated.clear();
    fake.Tick("Clock");
    fake.Tick("Clock");
    EXPECT_TRUE(invalidated.empty());
}

TEST_F(ClockTest, EachSecondRepaintsASmallAreaOnly) {
    fake.time = {9, 45, 30};
    Start();
    fake.Tick("Clock");
    auto& invalidated = fake.Window("Clock")->invalidated;
    // A whole minute of seconds, sixty of them a second apart.
    long long pixels = 0;
    for (int s = 31; s < 60; ++s) {
        invalidated.clear();
        fake.time.second = s;
        fake.Tick("Clock");
        ASSERT_FALSE(invalidated.empty()) << s;
        for (const auto& r : invalidated) pixels += r.Area();
    }
    EXPECT_LT(pixels / 29, 5000) << "pixels a second";
}

TEST_F(ClockTest, LoadShapesAndCentresTheLargeClock) {
    Start();
    EXPECT_TRUE(Logged("CreateRoundRectRgn 0 0 480 480 30 30"));
    EXPECT_TRUE(Logged("SetWindowRgn Clock redraw"));
    EXPECT_EQ(fake.LiveRegions(), 1);
    EXPECT_TRUE(Logged("Move Clock 4080 2160"));
    EXPECT_EQ(fake.randomizeCount, 0);
}

TEST_F(ClockTest, SmallClockIsCutToACircleAndNeverCentred) {
    Settings("[MAIN]\r\nSIZE=2\r\n");
    Start();
    EXPECT_TRUE(Logged("CreateEllipticRgn 0 0 233 233"));
    EXPECT_EQ(fake.Calls("Move Clock_Mini").size(), 2u) << "only the two placements from the file";
    EXPECT_EQ(fake.randomizeCount, 1);
}

TEST_F(ClockTest, CentringUsesTheScreenAsItIs) {
    struct Case {
        double screenWidth;
        double screenHeight;
        const char* move;
    };
    const Case cases[] = {
        {15360, 11520, "Move Clock 4080 2160"},
        {15345, 11505, "Move Clock 4072.5 2152.5"},  // single precision, not rounded
        {6000, 4500, "Move Clock -600 -1350"},       // a screen smaller than the window
    };
    for (const auto& c : cases) {
        platform::fake::FakePlatform local;
        platform::Platform localSys = local.Get();
        local.screenWidth = c.screenWidth;
        local.screenHeight = c.screenHeight;
        Program p(localSys);
        p.Start();
        EXPECT_EQ(local.Calls("Move Clock ")[0], c.move);
    }
}

TEST_F(ClockTest, RegionsFollowTheDisplayScale) {
    struct Case {
        double twipsPerPixel;
        const char* large;
        const char* small;
    };
    const Case cases[] = {
        {15, "CreateRoundRectRgn 0 0 480 480 30 30", "CreateEllipticRgn 0 0 233 233"},
        {12, "CreateRoundRectRgn 0 0 600 600 38 38", "CreateEllipticRgn 0 0 291 291"},  // 125%
        {10, "CreateRoundRectRgn 0 0 720 720 45 45", "CreateEllipticRgn 0 0 350 350"},  // 150%
        {7.5, "CreateRoundRectRgn 0 0 960 960 60 60", "CreateEllipticRgn 0 0 466 466"},  // 200%
    };
    for (const auto& c : cases) {
        for (bool small : {false, true}) {
            platform::fake::FakePlatform local;
            platform::Platform localSys = local.Get();
            local.tppX = local.tppY = c.twipsPerPixel;
            if (small) local.files[iniPath] = "[MAIN]\r\nSIZE=2\r\n";
            Program p(localSys);
            p.Start();
            EXPECT_EQ(local.Calls(small ? "CreateEllipticRgn" : "CreateRoundRectRgn")[0], small ? c.small : c.large);
        }
    }
}

TEST_F(ClockTest, ARefusedRegionIsDeletedAndAMissingOneSkipped) {
    fake.regionsRefused = true;
    Start();
    EXPECT_TRUE(Logged("DeleteObject region"));
    EXPECT_EQ(fake.LiveRegions(), 0);

    platform::fake::FakePlatform local;
    platform::Platform localSys = local.Get();
    local.regionsFail = true;
    Program p(localSys);
    p.Start();
    EXPECT_TRUE(local.Calls("SetWindowRgn").empty());
    EXPECT_TRUE(local.Window("Clock")->visible) << "the load goes on, rectangular";
}

TEST_F(ClockTest, BlinkShowsForTheTicksWhoseDrawIsFive) {
    Settings("[MAIN]\r\nSIZE=2\r\n");
    Program& p = Start();
    struct Step {
        float draw;
        bool shown;
    };
    const Step steps[] = {
        {0.25f, true},        // 5.0
        {0.2999999f, true},   // 5.999998
        {0.3f, false},        // 6.0
        {0.2499999f, false},  // 4.999998
        {0.0f, false},
        {0.27f, true},
        {0.9999999f, false},
    };
    for (const auto& step : steps) fake.scriptedDraws.push_back(step.draw);
    for (const auto& step : steps) {
        fake.Tick("Clock_Mini");
        EXPECT_EQ(p.Clock_Mini.Image2->Visible(), step.shown) << step.draw;
    }
}

TEST_F(ClockTest, BlinkComesAboutOnceInTwentyTicksAndTogglesOnlyWhenItChanges) {
    Settings("[MAIN]\r\nSIZE=2\r\n");
    Program& p = Start();
    auto& invalidated = fake.Window("Clock_Mini")->invalidated;
    int shown = 0;
    int toggles = 0;
    bool was = false;
    const int ticks = 20000;
    for (int i = 0; i < ticks; ++i) {
        invalidated.clear();
        fake.Tick("Clock_Mini");
        bool now = p.Clock_Mini.Image2->Visible();
        shown += now;
        if (now != was) {
            ++toggles;
            EXPECT_EQ(invalidated.size(), 1u);
        } else {
            EXPECT_TRUE(invalidated.empty());
        }
        was = now;
    }
    EXPECT_NEAR(shown / static_cast<double>(ticks), 0.05, 0.006);
    EXPECT_GT(toggles, ticks / 12);
}

TEST_F(ClockTest, TheLargeClockNeverDraws) {
    Program& p = Start();
    EXPECT_EQ(p.Clock.Image2, nullptr);
    for (int i = 0; i < 50; ++i) fake.Tick("Clock");
    EXPECT_EQ(fake.randomizeCount, 0);
}

TEST_F(ClockTest, EveryLoadRunsInFull) {
    Program& p = Start();
    p.Clock.Dragging = 1;
    p.Clock.DragX = 77;
    p.Clock.form.Unload();
    fake.time = {3, 0, 0};
    p.Clock.form.Load();
    EXPECT_EQ(fake.Calls("CreateRoundRectRgn").size(), 2u);
    EXPECT_EQ(fake.Calls("Move Clock 4080 2160").size(), 2u);
    EXPECT_EQ(p.Clock.Dragging, 0);
    EXPECT_EQ(p.Clock.DragX, 77) << "only a new drag sets the grab point";
    EXPECT_EQ(Shown(p.Clock).hour, (HandPoint{4372, 5700}));
}

// A window on a monitor whose scale changes, or dragged onto a monitor of
// another scale, takes that scale as a start at that scale would give it. The
// screen stays at 100% (15 twips to the pixel).
TEST_F(ClockTest, EveryWindowTakesTheScaleOfItsMonitor) {
    using platform::LeftButton;
    using platform::fake::FakeMonitor;
    // Grabbed at (160, 80) px and dragged from the 100% monitor onto the 150%
    // one on its right: the clock, now 720 px wide, has that point of its face,
    // (240, 120) px, under the pointer.
    auto dragAcross = [](FakePlatform& f) {
        f.MouseDown("Clock", LeftButton, 2400, 1200);
        f.MouseMove("Clock", LeftButton, 12900, 1200);  // the pointer at 1060 px
        EXPECT_EQ(f.Window("Clock")->rect.left, 12300) << "the pointer 240 px into the clock";
        f.MouseMove("Clock", LeftButton, 3750, 1800);  // 10 px further
        f.MouseUp("Clock", LeftButton, 3750, 1800);
    };
    // Grabbed at (432, 80) px and carried just over the edge: 720 px wide about
    // the pointer, the clock lies mostly on the 100% monitor again and is given
    // 100% back. It stays at 150% while dragged and takes 100% at the release.
    auto dragOntoTheEdge = [](FakePlatform& f) {
        f.MouseDown("Clock", LeftButton, 6480, 1200);
        f.MouseMove("Clock", LeftButton, 15300, 1200);  // the pointer at 1220 px
        EXPECT_EQ(f.Window("Clock")->rect.width, 720 * 15) << "150% while dragged, no growing and shrinking";
        f.MouseUp("Clock", LeftButton, 9720, 1800);
    };
    // The dialog dragged by its title bar onto the 150% monitor: the system's
    // move loop is a drag too, so the dialog takes the scale at the drop.
    auto dragDialogAcross = [](FakePlatform& f) {
        platform::TwipsRect dropped = f.TitleBarDrag("about", 1100 * 15, 100 * 15);
        EXPECT_EQ(dropped.width, (249 + 6) * 15) << "100% until the drop";
    };
    struct Case {
        const char* form;
        int from, to;  // its scale before and after, dpi
        std::function<void(FakePlatform&)> drag;  // none: the monitor's scale changes
        int width, height;                         // the client area afterwards, px
        const char* outline;
        const char* picture;  // the face or the title, and the rendition drawn
        int rendition;
        const char* hand;  // the second hand; the dialog's check box and font
        platform::PixelRect check1;
        int font;
        int x, y;           // the corner afterwards, px
        const char* saved;  // and the place the next start shows again
    };
    const Case cases[] = {
        {"Clock", 96, 144, {}, 720, 720, "CreateRoundRectRgn 0 0 720 720 45 45", "LargeFace 0,0 720x720", 150,
         "line 378,570-378,480 rgb(255,0,0) w2", {}, 0, 200, 100, nullptr},
        {"Clock", 144, 96, {}, 480, 480, "CreateRoundRectRgn 0 0 480 480 30 30", "LargeFace 0,0 480x480", 100,
         "line 252,380-252,320 rgb(255,0,0) w1", {}, 0, 200, 100, nullptr},
        // 960 px tall: the dial left the monitor and comes back by the least move.
        {"Clock", 96, 192, {}, 960, 960, "CreateRoundRectRgn 0 0 960 960 60 60", "LargeFace 0,0 960x960", 200,
         "line 503,760-503,640 rgb(255,0,0) w2", {}, 0, 64, 0, nullptr},
        {"Clock", 120, 168, {}, 840, 840, "CreateRoundRectRgn 0 0 840 840 52 52", "LargeFace 0,0 840x840", 200,
         "line 440,665-440,560 rgb(255,0,0) w2", {}, 0, 200, 100, nullptr},
        {"Clock", 96, 144, dragAcross, 720, 720, "CreateRoundRectRgn 0 0 720 720 45 45", "LargeFace 0,0 720x720", 150,
         "line 378,570-378,480 rgb(255,0,0) w2", {}, 0, 830, 60, "[MAIN]\r\nTOP=900\r\nLEFT=12450\r\n"},
        {"Clock", 96, 96, dragOntoTheEdge, 480, 480, "CreateRoundRectRgn 0 0 480 480 30 30", "LargeFace 0,0 480x480",
         100, "line 252,380-252,320 rgb(255,0,0) w1", {}, 0, 572, 60, "[MAIN]\r\nTOP=900\r\nLEFT=8580\r\n"},
        {"Clock_Mini", 96, 144, {}, 356, 356, "CreateEllipticRgn 0 0 350 350", "SmallFace 0,0 350x350", 150,
         "line 174,174-174,39 rgb(255,128,128) w2", {}, 0, 200, 100, nullptr},
        {"Clock_Mini", 144, 96, {}, 237, 237, "CreateEllipticRgn 0 0 233 233", "SmallFace 0,0 233x233", 100,
         "line 116,116-116,26 rgb(255,128,128) w1", {}, 0, 200, 100, nullptr},
        {"Clock_Mini", 96, 192, {}, 474, 474, "CreateEllipticRgn 0 0 466 466", "SmallFace 0,0 466x466", 200,
         "line 232,232-232,52 rgb(255,128,128) w2", {}, 0, 200, 100, nullptr},
        {"Clock_Mini", 120, 168, {}, 415, 415, "CreateEllipticRgn 0 0 408 408", "SmallFace 0,0 408x408", 200,
         "line 203,203-203,46 rgb(255,128,128) w2", {}, 0, 200, 100, nullptr},
        {"about", 96, 144, {}, 374, 184, "", "Title 0,12 195x45", 150, "", {12, 84, 182, 110}, 18, 0, 0, nullptr},
        {"about", 96, 144, dragDialogAcross, 374, 184, "", "Title 0,12 195x45", 150, "", {12, 84, 182, 110}, 18,
         1100, 100, nullptr},
        {"about", 144, 96, {}, 249, 123, "", "Title 0,8 130x30", 100, "", {8, 56, 121, 73}, 12, 0, 0, nullptr},
        {"about", 96, 192, {}, 498, 246, "", "Title 0,16 260x60", 200, "", {16, 112, 242, 146}, 24, 0, 0, nullptr},
        {"about", 120, 168, {}, 436, 215, "", "Title 0,14 228x52", 200, "", {14, 98, 212, 128}, 21, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        std::string row = std::string(c.form) + " " + std::to_string(c.from) + " to " + std::to_string(c.to);
        std::string name = c.form;
        std::string settings = std::string("[MAIN]\r\n") + (name == "Clock_Mini" ? "SIZE=2\r\n" : "") +
                               "TOP=1500\r\nLEFT=3000\r\n";
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.files[iniPath] = settings;
        local.monitors = {FakeMonitor{{0, 0, 1024, 768}, {0, 0, 1024, 768}, c.from}};
        if (c.drag) local.monitors.push_back({{1024, 0, 2048, 768}, {1024, 0, 2048, 768}, 144});
        Program p(localSys);
        p.Start();
        const platform::Form& form = name == "about" ? p.about.form : name == "Clock" ? p.Clock.form : p.Clock_Mini.form;
        std::vector<std::string> ops;
        platform::TwipsRect before;
        auto change = [&](FakePlatform& f) {
            before = f.Window(c.form)->rect;
            if (c.drag) {
                c.drag(f);
            } else {
                f.monitors[0].dpi = c.to;
                f.ScaleChange(c.form, c.to);
            }
            ops = f.Paint(c.form, {0, 0, 2000, 2000});
        };
        if (name == "about") {
            local.onModal = change;
            local.MouseDown("Clock", platform::RightButton, 500, 500);
        } else {
            change(local);
        }
        auto drawn = [&ops](const std::string& start) {
            auto op = std::find_if(ops.begin(), ops.end(), [&](const std::string& o) { return o.starts_with(start); });
            return op == ops.end() ? std::string("(none)") : *op;
        };
        const platform::fake::FakeWindow& w = *local.Window(c.form);
        EXPECT_EQ(form.TwipsPerPixel(), 1440.0 / c.to) << row;
        EXPECT_EQ(drawn(std::string("picture ") + c.picture), std::string("picture ") + c.picture) << row;
        int width = 0, height = 0;
        std::sscanf(std::strrchr(c.picture, ' '), " %dx%d", &width, &height);
        auto picture = name == "about" ? artwork::Picture::Title
                                       : name == "Clock" ? artwork::Picture::LargeFace : artwork::Picture::SmallFace;
        EXPECT_EQ(artwork::RenditionFor(picture, width, height), c.rendition) << row;
        if (name == "about") {
            EXPECT_EQ(w.rect.width, (c.width + 6) * 15) << row;
            EXPECT_EQ(w.rect.height, (c.height + 26) * 15) << row;
            EXPECT_EQ(w.rect.left, c.drag ? c.x * 15 : before.left) << row << ": the corner stays";
            EXPECT_NE(drawn("text \" Ver").find(" " + std::to_string(c.font) + "px "), std::string::npos) << row;
            for (const auto& control : w.controls) {
                EXPECT_EQ(control.fontHeight, c.font) << row << " " << control.name;
                if (std::string_view(control.name) == "Check1") {
                    EXPECT_EQ(control.box, c.check1) << row;
                }
                bool inside = control.box.left >= 0 && control.box.top >= 0 && control.box.right <= c.width &&
                              control.box.bottom <= c.height;
                EXPECT_TRUE(inside || control.kind == platform::ElementKind::PictureBox) << row << " " << control.name;
            }
            continue;
        }
        EXPECT_EQ(w.rect.width, c.width * 15) << row;
        EXPECT_EQ(w.rect.left, c.x * 15) << row;
        EXPECT_EQ(w.rect.top, c.y * 15) << row;
        EXPECT_EQ(local.Calls(std::string(c.outline).substr(0, 18)).back(), c.outline) << row;
        EXPECT_EQ(local.LiveRegions(), 1) << row << ": the old outline went with its window";
        EXPECT_EQ(std::count(ops.begin(), ops.end(), c.hand), 1) << row << ": " << c.hand;
        EXPECT_EQ(local.files[iniPath], c.saved ? c.saved : settings) << row;
        if (!c.saved) continue;
        FakePlatform next;  // the next start on the same desk
        platform::Platform nextSys = next.Get();
        next.files = local.files;
        next.monitors = local.monitors;
        Program again(nextSys);
        again.Start();
        EXPECT_EQ(next.Window(c.form)->rect.left, c.x * 15) << row;
        EXPECT_EQ(next.Window(c.form)->rect.top, c.y * 15) << row;
        EXPECT_EQ(next.Window(c.form)->rect.width, c.width * 15) << row;
    }
}

}  // namespace
