// The options dialog and the way to it: its handlers, "O K", "終了", closing,
// and dragging a clock.

#include "ProgramFixture.h"

namespace {

using platform::LeftButton;
using platform::MiddleButton;
using platform::RightButton;
using platform::fake::FakePlatform;

class DialogTest : public ProgramTest {
protected:
    // Opens the dialog from the current clock and does what the user does there.
    void InDialog(const std::string& clock, std::function<void()> actions) {
        fake.onModal = [actions](FakePlatform&) { actions(); };
        fake.MouseDown(clock, RightButton, 500, 500);
        fake.MouseUp(clock, RightButton, 500, 500);
        fake.onModal = nullptr;
    }
    void Click(const char* control) { fake.ClickControl("about", control); }
};

TEST_F(DialogTest, ChoicesSetTheModeAtOnce) {
    struct Case {
        const char* settings;
        std::vector<const char*> clicks;
        int mode;
    };
    const Case cases[] = {
        {"", {"Check1"}, 1},
        {"", {"Check1", "Check1"}, 0},
        {"", {"Option2"}, 2},
        {"", {"Option2", "Check1"}, 3},
        {"", {"Check1", "Option2"}, 3},
        {"", {"Option2", "Option1"}, 0},
        {"[MAIN]\r\nSIZE=3\r\n", {"Check1"}, 2},
        {"[MAIN]\r\nSIZE=3\r\n", {"Option1"}, 1},
        {"[MAIN]\r\nSIZE=2\r\n", {"Check1", "Option1", "Check1"}, 0},
        {"[MAIN]\r\nSIZE=1\r\n", {"Option1"}, 1},  // already selected: nothing changes
    };
    for (const auto& c : cases) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.files[iniPath] = c.settings;
        Program p(localSys);
        p.Start();
        for (const char* control : c.clicks) local.ClickControl("about", control);
        EXPECT_EQ(p.SizeMode, c.mode) << c.settings << " +" << c.clicks.size();
        EXPECT_EQ(local.files[iniPath], c.settings) << "choices reach the file only by a command";
    }
}

TEST_F(DialogTest, OkWithTheSameSizeOnlyChangesTheBand) {
    Settings("[MAIN]\r\nSIZE=0\r\nTOP=1500\r\nLEFT=-45\r\n");
    Program& p = Start();
    InDialog("Clock", [&] {
        Click("Check1");
        Click("Command1");
    });
    EXPECT_EQ(p.SizeMode, 1);
    EXPECT_TRUE(fake.Window("Clock")->topmost);
    EXPECT_TRUE(Logged("SetWindowPos Clock TOPMOST -3 100 480 480 80"));
    EXPECT_EQ(Count("CreateFormWindow Clock"), 1) << "no window switched";
    EXPECT_FALSE(fake.Window("about")->visible);
    EXPECT_EQ(p.about.ClosedByOk, 1);
    EXPECT_FALSE(fake.ended);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=1\r\nTOP=1500\r\nLEFT=-45\r\n");
}

TEST_F(DialogTest, OkWithTheOtherSizeSwitchesInPlace) {
    Settings("[MAIN]\r\nSIZE=0\r\nTOP=1500\r\nLEFT=-45\r\n");
    Program& p = Start();
    InDialog("Clock", [&] {
        Click("Option2");
        Click("Check1");
        Click("Command1");
    });
    ASSERT_NE(fake.Window("Clock_Mini"), nullptr);
    EXPECT_TRUE(fake.Window("Clock_Mini")->visible);
    EXPECT_TRUE(fake.Window("Clock_Mini")->topmost);
    EXPECT_EQ(fake.Window("Clock"), nullptr) << "the large clock is unloaded";
    EXPECT_EQ(p.Clock_Mini.form.Top(), 1500);
    EXPECT_EQ(p.Clock_Mini.form.Left(), -45);
    EXPECT_LT(IndexOf("ShowWindow Clock_Mini"), IndexOf("DestroyFormWindow Clock"));
    // Saved after the switch: the file holds the place the user sees.
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=3\r\nTOP=1500\r\nLEFT=-45\r\n");

    // And back: the large clock loads (centring itself), then takes the small one's place.
    InDialog("Clock_Mini", [&] {
        Click("Option1");
        Click("Check1");
        Click("Command1");
    });
    EXPECT_NE(fake.Window("Clock"), nullptr);
    EXPECT_EQ(fake.Window("Clock_Mini"), nullptr);
    EXPECT_EQ(p.Clock.form.Top(), 1500);
    EXPECT_FALSE(fake.Window("Clock")->topmost);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=0\r\nTOP=1500\r\nLEFT=-45\r\n");

    // The small clock loaded again seeds its blinking afresh.
    EXPECT_EQ(fake.randomizeCount, 1);
    InDialog("Clock", [&] {
        Click("Option2");
        Click("Command1");
    });
    EXPECT_EQ(fake.randomizeCount, 2);
}

TEST_F(DialogTest, ReopenedAfterOkTheDialogStartsFromTheAppliedMode) {
    Program& p = Start();
    InDialog("Clock", [&] {
        Click("Option2");
        Click("Command1");
    });
    long created = Count("CreateFormWindow");
    InDialog("Clock_Mini", [&] {
        EXPECT_EQ(p.about.SizeAtOpen, 2);
        EXPECT_EQ(p.about.ClosedByOk, 0);
        Click("Command1");
    });
    EXPECT_EQ(Count("CreateFormWindow"), created) << "nothing switched";
    EXPECT_TRUE(fake.Window("Clock_Mini")->visible);
}

// "終了" or the close box saves the choice without applying it. A size chosen
// but not applied is saved with the place of the clock on the screen, as "O K"
// would put it there, so the next start shows it where the user had the clock.
TEST_F(DialogTest, QuitSavesTheChoiceAtTheUsersPlace) {
    struct Case {
        const char* settings;
        std::vector<const char*> clicks;  // the last one quits
        const char* saved;
    };
    const Case cases[] = {
        {"[MAIN]\r\nSIZE=2\r\nTOP=300\r\nLEFT=600\r\n", {"Option1", "Command2"},
         "[MAIN]\r\nSIZE=0\r\nTOP=300\r\nLEFT=600\r\n"},
        {"[MAIN]\r\nSIZE=0\r\nTOP=1500\r\nLEFT=-45\r\n", {"Option2", "Command2"},
         "[MAIN]\r\nSIZE=2\r\nTOP=1500\r\nLEFT=-45\r\n"},
        // The small clock at the large one's place would be off the screen: it comes onto it.
        {"[MAIN]\r\nSIZE=1\r\nTOP=2250\r\nLEFT=-3750\r\n", {"Option2", "close"},
         "[MAIN]\r\nSIZE=3\r\nTOP=2250\r\nLEFT=0\r\n"},
        {"[MAIN]\r\nSIZE=3\r\nTOP=300\r\nLEFT=600\r\n", {"Check1", "Command2"},
         "[MAIN]\r\nSIZE=2\r\nTOP=300\r\nLEFT=600\r\n"},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.files[iniPath] = c.settings;
        Program p(localSys);
        p.Start();
        const char* shown = p.SizeMode > 1 ? "Clock_Mini" : "Clock";
        local.onModal = [&c](FakePlatform& f) {
            for (const char* control : c.clicks) {
                if (std::string(control) == "close") {
                    f.CloseBox("about");
                } else {
                    f.ClickControl("about", control);
                }
            }
        };
        local.MouseDown(shown, RightButton, 500, 500);
        EXPECT_TRUE(local.ended) << c.settings;
        EXPECT_EQ(local.files[iniPath], c.saved) << c.settings;
        EXPECT_TRUE(local.Window(shown)->visible) << "nothing applied";
        EXPECT_EQ(local.Calls("ShowWindow Clock").size(), 1u) << "no other clock shown";
    }
}

TEST_F(DialogTest, ClosingTheDialogSavesAndEnds) {
    Settings("[MAIN]\r\nSIZE=1\r\nTOP=15\r\nLEFT=30\r\n");
    Start();
    InDialog("Clock", [&] {
        Click("Check1");
        fake.CloseBox("about");
    });
    EXPECT_TRUE(fake.ended);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=0\r\nTOP=15\r\nLEFT=30\r\n");
}

TEST_F(DialogTest, UnloadAfterOkSavesAndLeavesTheProgramRunning) {
    Program& p = Start();
    InDialog("Clock", [&] { Click("Command1"); });
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=0\r\nTOP=0\r\nLEFT=0\r\n") << "O K saves all three in one";
    EXPECT_EQ(Count("Replace "), 1);
    p.SizeMode = 1;
    p.about.form.Unload();
    EXPECT_FALSE(fake.ended);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=1\r\nTOP=0\r\nLEFT=0\r\n");
    EXPECT_TRUE(fake.Window("Clock")->visible);
}

TEST_F(DialogTest, ClosingAClockSavesAndEnds) {
    for (const char* how : {"close", "session"}) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.files[iniPath] = "[MAIN]\r\nSIZE=3\r\nTOP=45\r\nLEFT=90\r\n";
        Program p(localSys);
        p.Start();
        local.UserMoves("Clock_Mini", 150, 300);
        if (std::string(how) == "close") {
            local.CloseBox("Clock_Mini");
        } else {
            local.EndSession("about");
        }
        EXPECT_TRUE(local.ended) << how;
        EXPECT_EQ(local.files[iniPath], "[MAIN]\r\nSIZE=3\r\nTOP=300\r\nLEFT=150\r\n") << how;
    }
}

TEST_F(DialogTest, DragMovesTheWindowByThePointersOffset) {
    // The pointer arrives in twips, whole pixels times the display's twips per
    // pixel: 15 at 100%, 10 at 150% (144 dpi), 7.5 at 200% and 1440/168 at 175%.
    struct Case {
        double tpp;
        double downX, downY;  // the grab, in twips from the picture's corner
        double left, top;     // after moves to (+10, +5) and (+20, +10) pixels from the grab
        const char* saved;
    };
    const double t168 = 1440.0 / 168;
    const Case cases[] = {
        {15, 2000, 1000, 3450, 1725, "[MAIN]\r\nTOP=1725\r\nLEFT=3450\r\n"},
        {10, 2000, 1000, 3300, 1650, "[MAIN]\r\nTOP=1650\r\nLEFT=3300\r\n"},
        // 997.5 and 502.5: the grab point rounds to the even 998 and 502, so each move
        // lands half a twip short across and half a twip past downwards.
        {7.5, 997.5, 502.5, 3224, 1613.5, "[MAIN]\r\nTOP=1613.5\r\nLEFT=3224\r\n"},
        // 1002.857... rounds to 1003 and 505.714... to 506; the rest is single precision.
        {t168, 117 * t168, 59 * t168, static_cast<double>(3256.857f), 1628, "[MAIN]\r\nTOP=1628\r\nLEFT=3256.857\r\n"},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        local.tppX = local.tppY = c.tpp;
        local.files[iniPath] = "[MAIN]\r\nTOP=1500\r\nLEFT=3000\r\n";
        Program p(localSys);
        p.Start();
        local.MouseDown("Clock", LeftButton, c.downX, c.downY);
        EXPECT_EQ(p.Clock.Dragging, 1);
        // The window follows; the pointer, measured from the moving picture, keeps its spot.
        local.MouseMove("Clock", LeftButton, c.downX + 10 * c.tpp, c.downY + 5 * c.tpp);
        local.MouseMove("Clock", LeftButton, c.downX + 20 * c.tpp, c.downY + 10 * c.tpp);
        EXPECT_DOUBLE_EQ(p.Clock.form.Left(), c.left) << c.tpp;
        EXPECT_DOUBLE_EQ(p.Clock.form.Top(), c.top) << c.tpp;
        EXPECT_TRUE(local.Calls("CreateNew").empty()) << "saved only on release";
        local.MouseUp("Clock", LeftButton, c.downX, c.downY);
        EXPECT_EQ(p.Clock.Dragging, 0);
        EXPECT_EQ(local.files[iniPath], c.saved) << c.tpp;
        local.MouseMove("Clock", 0, c.downX + 50 * c.tpp, c.downY);
        EXPECT_DOUBLE_EQ(p.Clock.form.Left(), c.left) << "no drag after the release";
    }
}

TEST_F(DialogTest, GrabPointRoundsHalvesToEven) {
    struct Case {
        double x;
        std::int16_t dragX;
    };
    const Case cases[] = {{1234.5, 1234}, {1235.5, 1236}, {14.4, 14}, {-0.5, 0}};
    for (const auto& c : cases) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        Program p(localSys);
        p.Start();
        local.MouseDown("Clock", LeftButton, c.x, c.x);
        EXPECT_EQ(p.Clock.DragX, c.dragX) << c.x;
        EXPECT_EQ(p.Clock.DragY, c.dragX) << c.x;
    }
}

TEST_F(DialogTest, ALeftClickWithoutMovementStillSaves) {
    Settings("[MAIN]\r\nSIZE=2\r\nTOP=90\r\nLEFT=45\r\n");
    Start();
    fake.files.clear();
    fake.MouseDown("Clock_Mini", LeftButton, 500, 500);
    fake.MouseUp("Clock_Mini", LeftButton, 500, 500);
    EXPECT_TRUE(fake.Calls("Move Clock_Mini").size() == 2u) << "not moved";
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nTOP=90\r\nLEFT=45\r\n");
}

TEST_F(DialogTest, OtherButtonsOpenTheDialogAndTouchNothing) {
    for (int button : {RightButton, MiddleButton}) {
        FakePlatform local;
        platform::Platform localSys = local.Get();
        Program p(localSys);
        p.Start();
        p.Clock.DragX = 11;
        bool opened = false;
        local.onModal = [&](FakePlatform&) { opened = true; };
        local.MouseDown("Clock", button, 700, 800);
        local.MouseMove("Clock", button, 900, 900);
        local.MouseUp("Clock", button, 900, 900);
        EXPECT_TRUE(opened);
        EXPECT_EQ(p.Clock.Dragging, 0);
        EXPECT_EQ(p.Clock.DragX, 11);
        EXPECT_EQ(p.Clock.form.Left(), 0);
        EXPECT_EQ(local.Calls("OpenRead").size(), 1u) << "the start-up read only";
        EXPECT_TRUE(local.Calls("EndModal about (still shown)").size() == 1u) << "the user has not closed it yet";
    }
}

TEST_F(DialogTest, ADragEndsWhenThePointerIsTakenAway) {
    Program& p = Start();
    fake.MouseDown("Clock", LeftButton, 1000, 1000);
    fake.MouseMove("Clock", LeftButton, 1150, 1000);
    fake.LoseCapture();
    EXPECT_EQ(p.Clock.Dragging, 0);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nTOP=0\r\nLEFT=150\r\n");
    fake.MouseMove("Clock", 0, 1500, 1000);
    EXPECT_EQ(p.Clock.form.Left(), 150) << "hovering does not drag";
}

}  // namespace
