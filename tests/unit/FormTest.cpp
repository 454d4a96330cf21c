// The form toolkit: painting order, what a change repaints, controls, the
// pointer, at 100% and other display scales.

#include <gtest/gtest.h>

#include "forms/Layouts.h"
#include "platform/Bands.h"
#include "platform/Form.h"
#include "platform/fake/FakePlatform.h"

namespace {

using platform::Form;
using platform::PixelRect;
using platform::fake::FakePlatform;

std::vector<std::string> Drawn(const std::vector<std::string>& ops) {
    std::vector<std::string> drawn;
    for (const auto& op : ops) {
        if (!op.starts_with("clip ")) drawn.push_back(op);
    }
    return drawn;
}

TEST(FormPaint, ClockPaintsFaceThenHandsThenDisc) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    form.Load();
    auto ops = Drawn(fake.Paint("Clock", {0, 0, 480, 480}));
    std::vector<std::string> expected = {
        "fill 0,0,480,480 rgb(192,192,192)",
        "picture LargeFace 0,0 480x480",
        "line 252,380-252,340 rgb(0,0,0) w5",
        "line 252,380-252,327 rgb(0,0,0) w3",
        "line 252,380-252,320 rgb(255,0,0) w1",
        "ellipse 248,376,257,385 rgb(255,0,0) rgb(0,0,0) w1",
    };
    EXPECT_EQ(ops, expected);
}

TEST(FormPaint, BlinkOverlayLiesBetweenFaceAndHands) {
    FakePlatform fake;
    Form form(fake, forms::ClockMiniLayout());
    form.Load();
    form.Get<platform::Image>("Image2").SetVisible(true);
    auto ops = Drawn(fake.Paint("Clock_Mini", {0, 0, 237, 237}));
    ASSERT_EQ(ops.size(), 7u);
    EXPECT_EQ(ops[1], "picture SmallFace 0,0 233x233");
    EXPECT_EQ(ops[2], "picture Blink 70,116 99x39");
    EXPECT_EQ(ops[3], "line 116,116-116,66 rgb(128,128,255) w5");
    EXPECT_EQ(ops[6], "ellipse 112,112,121,121 rgb(255,128,128) rgb(0,0,0) w1");
}

TEST(FormPaint, OnlyElementsInTheAreaAreDrawn) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    form.Load();
    auto ops = Drawn(fake.Paint("Clock", {10, 10, 40, 40}));
    EXPECT_EQ(ops, (std::vector<std::string>{"fill 10,10,40,40 rgb(192,192,192)", "picture LargeFace 0,0 480x480"}));
}

// The buffer is a band of client-wide rows; a bigger paint is cut into bands
// that tile it exactly, top to bottom.
TEST(FormPaint, LargePaintsGoThroughTheBufferInBandsThatTileThem) {
    struct Case {
        int clientWidth, clientHeight;
        PixelRect area;
        std::vector<PixelRect> bands;
    };
    const Case cases[] = {
        // The whole large clock: 136 rows of 480 fill the buffer.
        {480, 480, {0, 0, 480, 480}, {{0, 0, 480, 136}, {0, 136, 480, 272}, {0, 272, 480, 408}, {0, 408, 480, 480}}},
        // The small clock fits whole; the buffer has no rows beyond the client's.
        {237, 237, {0, 0, 237, 237}, {{0, 0, 237, 237}}},
        // Wider than the budget: one row a band, never none.
        {70000, 10, {5, 2, 9, 5}, {{5, 2, 9, 3}, {5, 3, 9, 4}, {5, 4, 9, 5}}},
        {480, 480, {10, 10, 10, 40}, {}},
    };
    for (const auto& c : cases) {
        int rows = platform::BandRows(c.clientWidth, c.clientHeight);
        EXPECT_TRUE(rows <= 1 || static_cast<long long>(rows) * c.clientWidth <= platform::kBandPixels);
        EXPECT_EQ(platform::Bands(c.area, rows), c.bands) << c.clientWidth << "x" << c.clientHeight;
    }
}

TEST(FormPaint, DialogPaintsItsPictureBoxBeneathWhatItHolds) {
    FakePlatform fake;
    Form form(fake, forms::AboutLayout());
    form.Load();
    auto ops = Drawn(fake.Paint("about", {0, 0, 249, 123}));
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[1], "picture DialogBackground -8,0 300x200");  // starts 8 px left of the client area
    EXPECT_EQ(ops[2], "picture Portrait 168,8 71x69");
    EXPECT_TRUE(ops[3].starts_with("text \" Ver1.00\" 120,16,169,33 ＭＳ Ｐゴシック 12px italic rgb(0,0,255)"))
        << ops[3];
    EXPECT_TRUE(ops[4].starts_with("text \"(C) 2026 Marisole\" 16,37,137,54 ＭＳ Ｐゴシック 12px italic rgb(255,0,0)"))
        << ops[4];
    EXPECT_EQ(ops[5], "picture Title 0,8 130x30");
}

TEST(FormPaint, PicturesAndPensFollowTheDisplayScale) {
    FakePlatform fake;
    fake.tppX = fake.tppY = 10;  // 144 dpi, 150%
    Form form(fake, forms::ClockLayout());
    form.Load();
    auto ops = Drawn(fake.Paint("Clock", {0, 0, 720, 720}));
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[1], "picture LargeFace 0,0 720x720");
    // The pivot stays on the dial: 3775 twips is 377.5 px here, as 251.67 px is at 100%.
    EXPECT_EQ(ops[2], "line 378,570-378,510 rgb(0,0,0) w8");
    EXPECT_EQ(ops[3], "line 378,570-378,490 rgb(0,0,0) w4");
    EXPECT_EQ(ops[4], "line 378,570-378,480 rgb(255,0,0) w2");
    EXPECT_EQ(ops[5], "ellipse 372,564,386,578 rgb(255,0,0) rgb(0,0,0) w2");
}

TEST(FormInvalidation, UnchangedValuesInvalidateNothing) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    form.Load();
    auto& hand = form.Get<platform::Line>("Line3");
    hand.SetX2(hand.X2());
    hand.SetY2(hand.Y2());
    form.Get<platform::Image>("Image1").SetVisible(true);
    form.Flush();
    EXPECT_TRUE(fake.Window("Clock")->invalidated.empty());
}

TEST(FormInvalidation, AMovedHandRepaintsItsOldAndNewExtentOnly) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    form.Load();
    auto& hand = form.Get<platform::Line>("Line3");  // 1 px, (252,380) to (252,320)
    hand.SetX2(3869);                                // to (258, 321)
    hand.SetY2(4808);
    form.Flush();
    const auto& rects = fake.Window("Clock")->invalidated;
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (PixelRect{250, 318, 255, 383}));
    EXPECT_EQ(rects[1], (PixelRect{250, 319, 261, 383}));
    long long area = rects[0].Area() + rects[1].Area();
    EXPECT_LT(area, 1200) << "a second's step costs a thin strip, never the window";
}

TEST(FormInvalidation, ShowingAndHidingAnImageRepaintsItsRectangle) {
    FakePlatform fake;
    Form form(fake, forms::ClockMiniLayout());
    form.Load();
    auto& blink = form.Get<platform::Image>("Image2");
    blink.SetVisible(true);
    form.Flush();
    blink.SetVisible(false);
    form.Flush();
    const auto& rects = fake.Window("Clock_Mini")->invalidated;
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (PixelRect{70, 116, 169, 155}));
    EXPECT_EQ(rects[1], rects[0]);
}

TEST(FormInvalidation, AChangeAndItsUndoWithinOneEventStillRepaint) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    form.Load();
    auto& hand = form.Get<platform::Line>("Line1");
    double x = hand.X2();
    hand.SetX2(x + 300);
    hand.SetX2(x);
    form.Flush();
    EXPECT_EQ(fake.Window("Clock")->invalidated.size(), 1u);
}

TEST(FormControls, CreatedInTabOrderWithTheirGroups) {
    FakePlatform fake;
    Form form(fake, forms::AboutLayout());
    form.Load();
    const auto& controls = fake.Window("about")->controls;
    ASSERT_EQ(controls.size(), 6u);
    constexpr auto kGrey = platform::Rgb(192, 192, 192);
    struct Expect {
        const char* name;
        bool group;
        PixelRect box;
        const char* caption;
        std::optional<platform::ColorRef> back;
    };
    // The picture box comes first: it holds the focus when the dialog opens.
    const Expect expected[] = {
        {"Picture1", true, {-8, 0, 281, 153}, "", {}},
        {"Command1", true, {112, 88, 169, 113}, "O K", {}},
        {"Command2", true, {184, 88, 233, 113}, "終了", {}},
        {"Option1", true, {8, 80, 97, 97}, "大 (480*480)", kGrey},
        {"Option2", false, {8, 96, 97, 113}, "小 (233*233)", kGrey},
        {"Check1", true, {8, 56, 121, 73}, "常に手前に表示", kGrey},
    };
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_STREQ(controls[i].name, expected[i].name);
        EXPECT_EQ(controls[i].groupStart, expected[i].group) << expected[i].name;
        EXPECT_EQ(controls[i].box, expected[i].box) << expected[i].name;
        EXPECT_STREQ(controls[i].caption, expected[i].caption) << expected[i].name;
        EXPECT_EQ(controls[i].backColor, expected[i].back) << expected[i].name;
    }
}

TEST(FormControls, OptionButtonsFormOneGroup) {
    FakePlatform fake;
    Form form(fake, forms::AboutLayout());
    auto& one = form.Get<platform::OptionButton>("Option1");
    auto& two = form.Get<platform::OptionButton>("Option2");
    std::vector<std::string> clicks;
    one.Click = [&] { clicks.push_back("Option1"); };
    two.Click = [&] { clicks.push_back("Option2"); };
    form.Load();
    EXPECT_FALSE(one.Value());
    EXPECT_FALSE(two.Value());

    one.SetValue(true);
    two.SetValue(true);
    EXPECT_FALSE(one.Value());
    EXPECT_TRUE(two.Value());
    two.SetValue(true);  // already on: no click
    fake.ClickControl("about", "Option1");
    EXPECT_TRUE(one.Value());
    EXPECT_FALSE(two.Value());
    EXPECT_EQ(clicks, (std::vector<std::string>{"Option1", "Option2", "Option1"}));
    auto& shown = fake.Window("about")->checks;
    EXPECT_TRUE(shown[fake.Window("about")->controls[3].controlId]);
    EXPECT_FALSE(shown[fake.Window("about")->controls[4].controlId]);
}

TEST(FormControls, CheckBoxClicksOnlyOnChange) {
    FakePlatform fake;
    Form form(fake, forms::AboutLayout());
    auto& box = form.Get<platform::CheckBox>("Check1");
    int clicks = 0;
    box.Click = [&] { ++clicks; };
    form.Load();
    box.SetValue(0);
    EXPECT_EQ(clicks, 0);
    box.SetValue(1);
    box.SetValue(1);
    EXPECT_EQ(clicks, 1);
    fake.ClickControl("about", "Check1");
    EXPECT_EQ(box.Value(), 0);
    EXPECT_EQ(clicks, 2);
}

TEST(FormControls, ALoadedAgainFormStartsFromItsLayout) {
    FakePlatform fake;
    Form form(fake, forms::ClockMiniLayout());
    form.Load();
    form.Get<platform::Image>("Image2").SetVisible(true);
    form.Get<platform::Line>("Line3").SetX2(100);
    form.Unload();
    form.Load();
    EXPECT_FALSE(form.Get<platform::Image>("Image2").Visible());
    EXPECT_EQ(form.Get<platform::Line>("Line3").X2(), 1740);
}

struct MouseLog {
    std::vector<std::string> events;
    void Attach(platform::Image& image, const std::string& name) {
        image.MouseDown = [this, name](int b, int, float x, float y) { Add(name + " down", b, x, y); };
        image.MouseMove = [this, name](int b, int, float x, float y) { Add(name + " move", b, x, y); };
        image.MouseUp = [this, name](int b, int, float x, float y) { Add(name + " up", b, x, y); };
    }
    void Add(const std::string& what, int b, float x, float y) {
        events.push_back(what + " " + std::to_string(b) + " " + std::to_string(static_cast<int>(x)) + "," +
                         std::to_string(static_cast<int>(y)));
    }
};

TEST(FormMouse, TheImageThatTookThePressKeepsThePointer) {
    FakePlatform fake;
    Form form(fake, forms::ClockMiniLayout());
    MouseLog log;
    log.Attach(form.Get<platform::Image>("Image1"), "face");
    form.Load();
    fake.MouseDown("Clock_Mini", platform::LeftButton, 300, 450);
    fake.MouseMove("Clock_Mini", platform::LeftButton, 6000, -200);  // far outside the window
    fake.MouseUp("Clock_Mini", platform::LeftButton, 6000, -200);
    fake.MouseMove("Clock_Mini", 0, 3520, 100);  // the uncovered strip: no image there
    EXPECT_EQ(log.events, (std::vector<std::string>{"face down 1 300,450", "face move 1 6000,-200",
                                                    "face up 1 6000,-200"}));
    EXPECT_EQ(fake.capture, 0);
}

TEST(FormMouse, APressOutsideThePictureMovesNothing) {
    FakePlatform fake;
    Form form(fake, forms::ClockMiniLayout());
    MouseLog log;
    log.Attach(form.Get<platform::Image>("Image1"), "face");
    form.Load();
    fake.MouseDown("Clock_Mini", platform::LeftButton, 3520, 3520);  // the strip the face does not cover
    fake.MouseMove("Clock_Mini", platform::LeftButton, 1000, 1000);
    fake.MouseUp("Clock_Mini", platform::LeftButton, 1000, 1000);
    EXPECT_TRUE(log.events.empty());
}

TEST(FormMouse, TheBlinkOverlayTakesThePressesOverIt) {
    FakePlatform fake;
    Form form(fake, forms::ClockMiniLayout());
    MouseLog log;
    log.Attach(form.Get<platform::Image>("Image1"), "face");
    form.Load();
    form.Get<platform::Image>("Image2").SetVisible(true);
    fake.MouseDown("Clock_Mini", platform::LeftButton, 1500, 2000);
    fake.MouseUp("Clock_Mini", platform::LeftButton, 1500, 2000);
    fake.MouseDown("Clock_Mini", platform::LeftButton, 1500, 1000);
    EXPECT_EQ(log.events, (std::vector<std::string>{"face down 1 1500,1000"}));
}

TEST(FormMouse, LosingThePointerReleasesWhatWasHeld) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    MouseLog log;
    log.Attach(form.Get<platform::Image>("Image1"), "face");
    form.Load();
    fake.MouseDown("Clock", platform::LeftButton, 100, 200);
    fake.MouseMove("Clock", platform::LeftButton, 400, 500);
    fake.LoseCapture();
    fake.MouseMove("Clock", 0, 700, 800);
    EXPECT_EQ(log.events, (std::vector<std::string>{"face down 1 100,200", "face move 1 400,500",
                                                    "face up 1 400,500", "face move 0 700,800"}));
}

TEST(FormMouse, ReleaseWithoutAPressIsIgnored) {
    FakePlatform fake;
    Form form(fake, forms::ClockLayout());
    MouseLog log;
    log.Attach(form.Get<platform::Image>("Image1"), "face");
    form.Load();
    fake.MouseUp("Clock", platform::LeftButton, 100, 200);
    EXPECT_TRUE(log.events.empty());
}

TEST(FormLifecycle, ActivateRunsOncePerShowing) {
    FakePlatform fake;
    Form form(fake, forms::AboutLayout());
    int activations = 0;
    form.Form_Activate = [&] { ++activations; };
    form.Show();
    form.Show();
    EXPECT_EQ(activations, 1);
    form.Hide();
    form.Show();
    EXPECT_EQ(activations, 2);
}

TEST(FormLifecycle, CloseUnloadsUnlessTheProgramSaysOtherwise) {
    FakePlatform fake;
    Form form(fake, forms::AboutLayout());
    int unloads = 0;
    form.Form_Unload = [&] { ++unloads; };
    form.Show();
    fake.CloseBox("about");
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(form.Loaded());

    Form clock(fake, forms::ClockLayout());
    int requests = 0;
    clock.CloseRequested = [&] { ++requests; };
    clock.Show();
    fake.CloseBox("Clock");
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(clock.Loaded());
}

}  // namespace
