// The clocks tell the time: hand end points, load and tick, repainting, blink.

#include "ProgramFixture.h"
#include "clock/Hands.h"
#include "forms/Layouts.h"

namespace {

using hands::HandEnds;
using hands::HandPoint;
using platform::TimeOfDay;

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

}  // namespace
