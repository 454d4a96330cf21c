// The settings file: the trimmer, the value text, the two writers, the
// profile text engine, and the save and the start-up read over the file calls.

#include "ProgramFixture.h"
#include "app/M_Clock.h"
#include "platform/Numbers.h"
#include "settings/ProfileText.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "settings/Writers.h"

namespace {

using namespace std::string_literals;
using platform::FileError;
using platform::fake::FileFault;
using settings::ProfileSet;

// The value as text of one byte a unit (all the rows hold ASCII values).
std::optional<std::string> ProfileGet(std::string_view file, std::string_view key) {
    auto value = settings::ProfileGet(file, settings::kSection, key);
    if (!value) return std::nullopt;
    return std::string(value->begin(), value->end());
}

// ASCII text as UTF-16 bytes, after their byte-order mark unless mark is false.
std::string Utf16(std::string_view ascii, bool little, bool mark = true) {
    std::string bytes = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (char c : ascii) bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

std::string Set(std::string_view file, const std::string& key, const std::string& value) {
    return ProfileSet(file, settings::kSection, {{key, value}});
}

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

        std::string file = "[MAIN]\r\nTOP=" + trimmer.EndTrim() + "\r\n";
        EXPECT_EQ(numbers::ToFiniteSingle(settings::ReadNumber(file, "TOP")), c.value) << c.stored;
    }
}

// Every place a window can take, at several display scales, comes back from
// the file to the pixel it was saved at.
TEST(SettingsReadTest, EveryPositionTheWritersWriteReadsBack) {
    for (double tpp : {15.0, 12.0, 10.0, 1440.0 / 110}) {
        std::string file;
        std::unique_ptr<cTrim> trimmer;
        for (int pixels = -30000; pixels <= 30000; pixels += 5) {
            double twips = pixels * tpp;
            settings::PendingSave save;
            settings::WritePosition(save, trimmer, twips, -twips);
            file = ProfileSet(file, settings::kSection, save.Values());
            double top = static_cast<double>(numbers::ToFiniteSingle(settings::ReadNumber(file, "TOP")));
            double left = static_cast<double>(numbers::ToFiniteSingle(settings::ReadNumber(file, "LEFT")));
            ASSERT_EQ(numbers::RoundToInt32(top / tpp), pixels) << tpp << " " << file;
            ASSERT_EQ(numbers::RoundToInt32(left / tpp), -pixels) << tpp << " " << file;
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
        EXPECT_EQ(settings::ReadNumber("[MAIN]\r\nLEFT=" + text + "\r\n", "LEFT"), value) << text;
    }
}

TEST(ProfileTextTest, ReadsAsTheProfileCallsDo) {
    struct Case {
        std::string text;
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
        {"[MAIN]\r\nSIZE\r\nSIZE=3\r\n", "SIZE", nullptr},     // a line without "=" names the key first
        {"[MAIN] old\r\nSIZE=3\r\n", "SIZE", "3"},               // up to the header's last bracket
        {"[MAIN]\r\nSIZE=3\0" "9\r\n"s, "SIZE", "3"},  // a NUL ends a value
        {"[MA\0IN]\r\nSIZE=3\r\n"s, "SIZE", nullptr},  // and a name
        {"[MAIN]\r\nSIZE=\x1a" "3\x1a\r\nTOP=15\x1a" "00\r\n", "SIZE", "3"},  // Ctrl+Z is a blank
        {"[MAIN]\r\nSIZE=\x1a" "3\r\nTOP=15\x1a" "00\r\n", "TOP", "15\x1a" "00"},
        {"[MAIN]\r\r\nSIZE=1\n\rTOP=1650\rLEFT=3300\n", "LEFT", "3300"},
        {"\xEF\xBB\xBF[MAIN]\r\nSIZE=1\r\n", "SIZE", "1"},     // UTF-8 with its mark
        {Utf16("[MAIN]\nSIZE=3", true), "SIZE", "3"},
        {Utf16("[MAIN]\rTOP=9\r", false), "TOP", "9"},
        {Utf16("[MAIN]\nSIZE=3", true, false), "SIZE", nullptr},  // no mark: read as bytes
    };
    for (const auto& c : cases) {
        auto value = ProfileGet(c.text, c.key);
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
        std::string before;
        const char* key;
        const char* value;
        std::string after;
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
        {"[MAIN]\nTOP=1\n", "LEFT", "2", "[MAIN]\nTOP=1\nLEFT=2\n"},   // the file's own line breaks
        {"[MAIN]\rTOP=1", "LEFT", "2", "[MAIN]\rTOP=1\rLEFT=2"},
        {"[X]\ra=b\r", "TOP", "2", "[X]\ra=b\r[MAIN]\rTOP=2\r"},
        {" [ MAIN ] \r\n  Top  =  1  \r\n", "TOP", "2", " [ MAIN ] \r\n  Top  =2\r\n"},  // spelt as it was
        {"[MAIN]\r\nTOP\r\n", "TOP", "2", "[MAIN]\r\nTOP=2\r\n"},
        {"[MAIN]\r\nLEFT=1\r\n[MAIN]\r\nTOP=9\r\n", "TOP", "2",       // into the first of two
         "[MAIN]\r\nLEFT=1\r\nTOP=2\r\n[MAIN]\r\nTOP=9\r\n"},
        {"\xEF\xBB\xBF", "TOP", "2", "\xEF\xBB\xBF[MAIN]\r\nTOP=2\r\n"},
        {Utf16("[MAIN]\n", true) + "\xE9", "TOP", "2", Utf16("[MAIN]\nTOP=2\n", true) + "\xE9"},  // the odd byte stays
        {Utf16("[MAIN]", false), "TOP", "2", Utf16("[MAIN]\r\nTOP=2", false)},
        {"x\xFF\0\r\n[MAIN]\r\nTOP=1\r\n"s, "TOP", "2",  // other bytes kept as they are
         "x\xFF\0\r\n[MAIN]\r\nTOP=2\r\n"s},
    };
    for (const auto& c : cases) {
        std::string after = Set(c.before, c.key, c.value);
        EXPECT_EQ(after, c.after) << c.before;
        // Parse, write back, read again: the written value is what is read.
        EXPECT_EQ(ProfileGet(after, c.key), std::optional<std::string>(c.value));
    }
}

class WritersTest : public ProgramTest {};

TEST_F(WritersTest, SavePositionWritesTopThenLeftOfTheCurrentClock) {
    Settings("[MAIN]\r\nSIZE=2\r\nTOP=1500\r\nLEFT=-45\r\n");
    Program& p = Start();
    fake.log.clear();
    M_Clock::Save_Position(p);
    EXPECT_EQ(p.PendingSave.Values(), (std::vector<settings::KeyValue>{{"TOP", "1500"}, {"LEFT", "-45"}}));
    EXPECT_TRUE(p.SaveSettings());
    EXPECT_TRUE(fake.Calls("CreateNew").empty()) << "keys that hold their values already leave the file alone";
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
    p.SaveSettings();
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
    fake.readOnlyFiles.insert(iniPath);
    fake.MouseDown("Clock", platform::LeftButton, 1000, 1000);
    fake.MouseMove("Clock", platform::LeftButton, 1300, 1000);
    fake.MouseUp("Clock", platform::LeftButton, 1300, 1000);
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=1\r\nTOP=30\r\nLEFT=60\r\n");
    EXPECT_EQ(p.Clock.form.Left(), 360);
    EXPECT_FALSE(fake.ended);
    fake.Tick("Clock");
    EXPECT_TRUE(fake.messageBoxes.empty());
    // The save is kept, and the tick retries it once the file takes it.
    fake.readOnlyFiles.clear();
    for (int tick = 2; tick <= 5; ++tick) fake.Tick("Clock");
    EXPECT_EQ(SettingsFile(), "[MAIN]\r\nSIZE=1\r\nTOP=30\r\nLEFT=360\r\n");
    EXPECT_TRUE(p.PendingSave.Empty());
}

// The copies in the folder of the file (none but the settings file itself).
std::vector<std::string> Copies(const platform::fake::FakePlatform& fs, const std::string& folder) {
    std::vector<std::string> copies;
    for (const auto& [path, bytes] : fs.files) {
        if (path.rfind(folder + ".", 0) == 0) copies.push_back(path);
    }
    return copies;
}

// One save of three keys under a single fault of the file system at each of
// its steps: the file is the old one or the new one, whole, and the save is
// done or kept; the retry, the fault gone, leaves the new file and no copy.
TEST(SettingsSaveTest, UnderAnyFaultTheFileIsOldOrNewAndTheSaveDoneOrKept) {
    const std::string folder = "C:\\Clock\\";
    const std::string path = folder + "Vo_Clock.ini";
    const std::string longFolder = "C:\\" + std::string(280, 'd') + "\\";
    const std::string old = "[OTHER]\r\na=1\r\n[MAIN]\r\nSIZE=0\r\nTOP=1500\r\nLEFT=1500\r\n";
    const std::string now = "[OTHER]\r\na=1\r\n[MAIN]\r\nSIZE=3\r\nTOP=2400\r\nLEFT=2850\r\n";
    const std::vector<settings::KeyValue> values = {{"SIZE", "3"}, {"TOP", "2400"}, {"LEFT", "2850"}};
    enum class Held { Old, New, Gone, Cut };
    struct Case {
        const char* name;
        std::vector<FileFault> faults;
        bool done;
        Held file;
        bool copyLeft = false;
        bool noNewFiles = false;  // a folder that takes no new files
        bool longPath = false;
    };
    const FileFault disk{"WriteAt", FileError::DiskFull, true};
    const Case cases[] = {
        {"no fault", {}, true, Held::New},
        {"the file held by another program", {{"OpenRead", FileError::Held, false, "Vo_Clock.ini"}}, false, Held::Old},
        {"no room for the copy", {{"CreateNew", FileError::DiskFull}}, false, Held::Old},
        {"the copy refused otherwise (a busy folder)", {{"CreateNew", FileError::Other}}, false, Held::Old},
        {"the disk fills as the copy is written", {disk}, false, Held::Old},
        {"a copy cut short, its write reported whole", {{"WriteAt", FileError::None, true}}, false, Held::Old},
        {"the flush fails", {{"Flush", FileError::Other}}, false, Held::Old},
        {"the copy cannot be read back", {{"ReadAll", FileError::Other, false, ".saving"}}, false, Held::Old},
        {"the copy takes no attributes", {{"SetAttributes", FileError::AccessDenied}}, false, Held::Old},
        {"the replace refused (held without delete sharing)", {{"Replace", FileError::Held}}, false, Held::Old},
        {"the replace fails late, the file taken away", {{"Replace", FileError::Other, true}}, false, Held::Gone, true},
        {"the flush fails and so does the removal", {{"Flush", FileError::Other}, {"Remove", FileError::Other}}, false,
         Held::Old, true},
        {"a folder that takes no new files: in place", {}, true, Held::New, false, true},
        {"in place where the disk fills: the file is cut", {disk}, false, Held::Cut, false, true},
        {"a long path in a folder that takes no new files", {}, false, Held::Old, false, true, true},
        {"a long path", {}, true, Held::New, false, false, true},
    };
    for (const auto& c : cases) {
        platform::fake::FakePlatform fs;
        const std::string& dir = c.longPath ? longFolder : folder;
        const std::string file = dir + "Vo_Clock.ini";
        fs.files[file] = old;
        if (c.noNewFiles) fs.foldersWithoutNewFiles.insert(dir);
        fs.fileFaults = c.faults;
        bool done = settings::Save(fs, file, values);
        EXPECT_EQ(done, c.done) << c.name;
        switch (c.file) {
        case Held::Old: EXPECT_EQ(fs.files.at(file), old) << c.name; break;
        case Held::New: EXPECT_EQ(fs.files.at(file), now) << c.name; break;
        case Held::Gone: EXPECT_EQ(fs.files.count(file), 0u) << c.name; break;
        case Held::Cut: EXPECT_TRUE(fs.files.at(file) != old && fs.files.at(file) != now) << c.name; break;
        }
        EXPECT_EQ(Copies(fs, dir).size(), c.copyLeft ? 1u : 0u) << c.name;
        EXPECT_TRUE(fs.fileFaults.empty()) << c.name << ": the fault was met";

        fs.foldersWithoutNewFiles.clear();
        EXPECT_TRUE(settings::Save(fs, file, values)) << c.name << ", again";
        if (c.file == Held::Cut) {  // what is left of the file, with the three keys
            for (const auto& [key, value] : values) EXPECT_EQ(ProfileGet(fs.files.at(file), key), value) << c.name;
        } else {
            EXPECT_EQ(fs.files.at(file), now) << c.name << ", again";
        }
        EXPECT_TRUE(Copies(fs, dir).empty()) << c.name << ", again";
    }
}

// A symbolic link stays and its target takes the save; the copies of other
// processes and of this one are found at start-up: a whole one puts back a
// file that is missing or cut short, any other goes, unless its process runs.
TEST(SettingsSaveTest, LinksAndCopiesLeftBehind) {
    const std::string folder = "C:\\Clock\\";
    const std::string path = folder + "Vo_Clock.ini";
    const std::string saved = "[X]\r\nb=2\r\n[MAIN]\r\nTOP=2400\r\nLEFT=2850\r\n";
    const std::string old = "[X]\r\nb=2\r\n[MAIN]\r\nTOP=1500\r\nLEFT=1500\r\n";
    struct Case {
        const char* name;
        std::optional<std::string> file;  // none: missing
        std::uint32_t process;            // of the copy
        std::string copy;                 // its bytes; its name says saved's
        std::string read;                 // what start-up reads
        bool copyStays = false;
    };
    const Case cases[] = {
        {"a whole copy, the file missing", std::nullopt, 7, saved, saved},
        {"a whole copy, the file cut short", saved.substr(0, 12), 7, saved, saved},
        {"a whole copy of this process, the file missing", std::nullopt, 1000, saved, saved},
        {"a whole copy, the file whole", old, 7, saved, old},
        {"a cut copy, the file missing", std::nullopt, 7, saved.substr(0, 20), ""},
        {"a whole copy of a process that runs", std::nullopt, 8, saved, "", true},
    };
    for (const auto& c : cases) {
        platform::fake::FakePlatform fs;
        fs.otherProcesses = {8};
        if (c.file) fs.files[path] = *c.file;
        std::string copy = settings::CopyPath(path, c.process, saved);
        fs.files[copy] = c.copy;
        fs.files[folder + ".Vo_Clock.ini.saving"] = "[MAIN]\r\nTO";  // an older version's
        settings::StoredFile stored = settings::ReadAtStart(fs, path, 3000);
        EXPECT_TRUE(stored.read) << c.name;
        EXPECT_EQ(stored.bytes, c.read) << c.name;
        EXPECT_EQ(fs.files.count(path) ? fs.files[path] : "", c.read) << c.name;
        EXPECT_EQ(Copies(fs, folder), c.copyStays ? std::vector<std::string>{copy} : std::vector<std::string>{})
            << c.name;
    }

    platform::fake::FakePlatform fs;
    const std::string target = "D:\\Sync\\Vo_Clock.ini";
    fs.links[path] = target;
    fs.files[target] = old;
    EXPECT_EQ(settings::ReadAtStart(fs, path, 3000).bytes, old);
    EXPECT_TRUE(settings::Save(fs, path, {{"TOP", "2400"}, {"LEFT", "2850"}}));
    EXPECT_EQ(fs.links[path], target) << "the link stays";
    EXPECT_EQ(fs.files[target], saved);
    EXPECT_EQ(fs.files.count(path), 0u);
    EXPECT_EQ(fs.Calls("Replace"), std::vector<std::string>{"Replace " + target + " " +
                                                             settings::CopyPath(target, 1000, saved)});
}

}  // namespace
