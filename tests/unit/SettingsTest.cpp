// The settings file: the trimmer, the value text, the two writers and the
// profile text engine behind the platform fake.

#include "ProgramFixture.h"
#include "app/M_Clock.h"
#include "platform/Numbers.h"
#include "platform/fake/ProfileText.h"
#include "settings/Settings.h"
#include "settings/Writers.h"

namespace {

using platform::fake::ProfileGet;
using platform::fake::ProfileSet;

TEST(cTrimTest, CutsAtTheFirstNulAndTrimsBlanks) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {" 2", "2"},
        {"  1500  ", "1500"},
        {"-45", "-45"},
        {std::string("12\0 34", 6), "12"},
        {std::string(" 7 \0\0\0", 6), "7"},
        {std::string("\0abc", 4), ""},
        {"   ", ""},
        {"a b", "a b"},       // blanks inside stay
        {"\t2\t", "\t2\t"},   // only spaces are blanks here
    };
    for (const auto& c : cases) {
        cTrim trimmer;
        trimmer.temp(c.in);
        trimmer.ZorvTrim();
        EXPECT_EQ(trimmer.EndTrim(), c.out) << '"' << c.in << '"';
        EXPECT_EQ(trimmer.EndTrim(), c.out) << "reading does not consume";
    }
}

TEST(cTrimTest, StoredValuesAreTheTrimmedValueText) {
    struct Case {
        float value;
        const char* stored;
    };
    const Case cases[] = {
        {2, "2"},
        {1500, "1500"},
        {-45, "-45"},
        {0, "0"},
        {-12345, "-12345"},
        {-450000, "-450000"},  // 30000 pixels left, at 15 twips a pixel
        {2.5f, "2.5"},
        {-0.75f, "-0.75"},
        {-392727.3f, "-392727.3"},
        {-1e15f, "-1E+15"},
        {-123456789012345.f, "-123456788103168"},  // the longest text a writer makes
    };
    for (const auto& c : cases) {
        cTrim trimmer;
        trimmer.temp(numbers::ValueText(c.value));
        trimmer.ZorvTrim();
        EXPECT_EQ(trimmer.EndTrim(), c.stored);

        platform::fake::FakePlatform fake;
        fake.files["C:\\x.ini"] = "[MAIN]\r\nTOP=" + trimmer.EndTrim() + "\r\n";
        EXPECT_EQ(numbers::ToFiniteSingle(settings::ReadNumber(fake, "TOP", "C:\\x.ini")), c.value) << c.stored;
    }
}

// Every place a window can take, at several display scales, comes back from
// the file to the pixel it was saved at.
TEST(SettingsReadTest, EveryPositionTheWritersWriteReadsBack) {
    for (double tpp : {15.0, 12.0, 10.0, 1440.0 / 110}) {
        platform::fake::FakePlatform fake;
        std::unique_ptr<cTrim> trimmer;
        for (int pixels = -30000; pixels <= 30000; pixels += 5) {
            double twips = pixels * tpp;
            settings::WritePosition(fake, "C:\\x.ini", trimmer, twips, -twips);
            double top = static_cast<double>(numbers::ToFiniteSingle(settings::ReadNumber(fake, "TOP", "C:\\x.ini")));
            double left = static_cast<double>(numbers::ToFiniteSingle(settings::ReadNumber(fake, "LEFT", "C:\\x.ini")));
            ASSERT_EQ(numbers::RoundToInt32(top / tpp), pixels) << tpp << " " << fake.files["C:\\x.ini"];
            ASSERT_EQ(numbers::RoundToInt32(left / tpp), -pixels) << tpp << " " << fake.files["C:\\x.ini"];
            if (tpp == 15) {
                ASSERT_EQ(top, twips) << "whole twips come back exactly";
            }
        }
    }
    // Hand edits: blanks inside and around, and text after the number.
    const std::pair<std::string, double> edited[] = {
        {"-4 5 0 0 0 0", -450000},
        {"   \t 123456789012345678   ", 123456789012345678.0},
        {"1" + std::string(70, '0'), 1e62},  // cut to its first 63 characters
        {"7500 px", 7500},
    };
    for (const auto& [text, value] : edited) {
        platform::fake::FakePlatform fake;
        fake.files["C:\\x.ini"] = std::string("[MAIN]\r\nLEFT=") + text + "\r\n";
        EXPECT_EQ(settings::ReadNumber(fake, "LEFT", "C:\\x.ini"), value) << text;
    }
}

TEST(ProfileTextTest, ReadsAsTheProfileCallsDo) {
    struct Case {
        const char* text;
        const char* key;
        const char* value;  // nullptr: missing
    };
    const Case cases[] = {
        {"[MAIN]\r\nSIZE=3\r\n", "SIZE", "3"},
        {"[MAIN]\nSIZE=3\n", "SIZE", "3"},                 // LF endings
        {"[MAIN]\rSIZE=3\rTOP=9", "TOP", "9"},             // CR endings, no final break
        {"[main]\r\nsize=3\r\n", "SIZE", "3"},              // letter case ignored
        {"  [ MAIN ]  \r\n  SIZE  =  3 4  \r\n", "SIZE", "3 4"},
        {"[MAIN]\r\nSIZE=\"2\"\r\n", "SIZE", "2"},          // quotes around the whole value
        {"[MAIN]\r\nSIZE=1\r\nSIZE=2\r\n", "SIZE", "1"},    // the first key wins
        {"[MAIN]\r\nSIZE=1\r\n[MAIN]\r\nSIZE=2\r\n", "SIZE", "1"},
        {"[OTHER]\r\nSIZE=1\r\n[MAIN]\r\nTOP=5\r\n", "SIZE", nullptr},
        {"SIZE=1\r\n[MAIN]\r\n", "SIZE", nullptr},          // before any section
        {"[MAIN]\r\nSIZE\r\n", "SIZE", nullptr},
        {"", "SIZE", nullptr},
        {"[MAIN]\r\nSIZE=\r\n", "SIZE", ""},
        {"[MAIN]\r\nTOP=a=b\r\n", "TOP", "a=b"},
        {"[MAIN\r\nSIZE=3\r\n", "SIZE", nullptr},             // a header needs its bracket
        {"[X]\r\n[MAIN\r\nSIZE=3\r\n", "SIZE", nullptr},
    };
    for (const auto& c : cases) {
        auto value = ProfileGet(c.text, "MAIN", c.key);
        if (c.value) {
            ASSERT_TRUE(value.has_value()) << c.text;
            EXPECT_EQ(*value, c.value) << c.text;
        } else {
            EXPECT_FALSE(value.has_value()) << c.text;
        }
    }
}

TEST(ProfileTextTest, WritesChangeOneLineAndKeepTheRest) {
    struct Case {
        const char* before;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"", "TOP", "1500", "[MAIN]\r\nTOP=1500\r\n"},
        {"[MAIN]\r\nTOP=1500\r\n", "LEFT", "-45", "[MAIN]\r\nTOP=1500\r\nLEFT=-45\r\n"},
        {"[MAIN]\r\nSIZE=0\r\nTOP=1\r\n", "SIZE", "3", "[MAIN]\r\nSIZE=3\r\nTOP=1\r\n"},
        {"; mine\r\n[MAIN]\r\nsize=1\r\n\r\n[X]\r\na=b\r\n", "SIZE", "2",
         "; mine\r\n[MAIN]\r\nsize=2\r\n\r\n[X]\r\na=b\r\n"},
        {"[MAIN]\r\nTOP=1\r\n\r\n[X]\r\na=b\r\n", "LEFT", "7", "[MAIN]\r\nTOP=1\r\nLEFT=7\r\n\r\n[X]\r\na=b\r\n"},
        {"[X]\r\na=b", "SIZE", "2", "[X]\r\na=b\r\n[MAIN]\r\nSIZE=2\r\n"},
        {"[MAIN]", "SIZE", "2", "[MAIN]\r\nSIZE=2"},
        {"[MAIN]\nTOP=1\n", "LEFT", "2", "[MAIN]\nTOP=1\nLEFT=2\r\n"},
    };
    for (const auto& c : cases) {
        std::string after = ProfileSet(c.before, "MAIN", c.key, c.value);
        EXPECT_EQ(after, c.after) << c.before;
        // Parse, write back, read again: the written value is what is read.
        EXPECT_EQ(ProfileGet(after, "MAIN", c.key), std::optional<std::string>(c.value));
    }
}

class WritersTest : public ProgramTest {};

TEST_F(WritersTest, SavePositionWritesTopThenLeftOfTheCurrentClock) {
    Settings("[MAIN]\r\nSIZE=2\r\nTOP=1500\r\nLEFT=-45\r\n");
    Program& p = Start();
    fake.log.clear();
    M_Clock::Save_Position(p);
    EXPECT_EQ(fake.log, (std::vector<std::string>{
                            "WritePrivateProfileString MAIN TOP 1500 " + iniPath,
                            "WritePrivateProfileString MAIN LEFT -45 " + iniPath,
                        }));
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=2\r\nTOP=1500\r\nLEFT=-45\r\n");
}

TEST_F(WritersTest, EachWriterStartsWithAFreshTrimmer) {
    Program& p = Start();
    p.about.Save_Size();
    const cTrim* first = p.Trimmer.get();
    ASSERT_NE(first, nullptr);
    M_Clock::Save_Position(p);
    EXPECT_NE(p.Trimmer.get(), nullptr);
    EXPECT_EQ(p.Trimmer->EndTrim(), "0") << "the last value written, LEFT";
}

TEST_F(WritersTest, SavePositionLoadsAClockThatIsNotLoaded) {
    Program& p = Start();  // the large clock, at 0, 0
    p.SizeMode = 2;        // chosen in the dialog, not applied
    M_Clock::Save_Position(p);
    EXPECT_TRUE(p.Clock_Mini.form.Loaded());
    EXPECT_FALSE(p.Clock_Mini.form.Visible());
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nTOP=0\r\nLEFT=0\r\n");  // the small one's place as laid out
}

TEST_F(WritersTest, FirstDragCreatesTheFileWithThePositionOnly) {
    Program& p = Start();
    fake.MouseDown("Clock", platform::LeftButton, 1000, 1000);
    fake.MouseMove("Clock", platform::LeftButton, 1300, 1150);
    fake.MouseUp("Clock", platform::LeftButton, 1300, 1150);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nTOP=150\r\nLEFT=300\r\n");
    EXPECT_EQ(p.Clock.form.Left(), 300);
}

TEST_F(WritersTest, AFailedWriteChangesNothingAndTheProgramGoesOn) {
    Settings("[MAIN]\r\nSIZE=1\r\nTOP=30\r\nLEFT=60\r\n");
    Program& p = Start();
    fake.writesFail = true;
    fake.MouseDown("Clock", platform::LeftButton, 1000, 1000);
    fake.MouseMove("Clock", platform::LeftButton, 1300, 1000);
    fake.MouseUp("Clock", platform::LeftButton, 1300, 1000);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=1\r\nTOP=30\r\nLEFT=60\r\n");
    EXPECT_EQ(p.Clock.form.Left(), 360);
    EXPECT_FALSE(fake.ended);
    fake.Tick("Clock");
    EXPECT_TRUE(fake.messageBoxes.empty());
}

}  // namespace
