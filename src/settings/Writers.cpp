// The two settings writers. Each starts with a fresh trimmer, which replaces
// the previous one, and writes through the platform's profile calls: the file
// is created when missing and every other line is kept. A write that fails
// (read-only file or folder, full disk) changes nothing and is not retried.

#include <memory>

#include "app/Program.h"
#include "platform/Numbers.h"
#include "settings/M_Clock.h"
#include "settings/Settings.h"

namespace {

std::string Trimmed(cTrim& trimmer, const std::string& valueText) {
    trimmer.temp(valueText);
    trimmer.ZorvTrim();
    return trimmer.EndTrim();
}

void Write(Program& program, const char* key, const std::string& text) {
    program.sys.ini.WritePrivateProfileString(settings::kSection, key, text, program.IniPath);
}

}  // namespace

void AboutDialog::Save_Size() {
    program_.Trimmer = std::make_unique<cTrim>();
    Write(program_, "SIZE", Trimmed(*program_.Trimmer, numbers::ValueText(program_.SizeMode)));
}

void M_Clock::Save_Position(Program& program) {
    program.Trimmer = std::make_unique<cTrim>();
    ClockWindow& clock = program.CurrentClock();
    if (!clock.form.Loaded()) clock.form.Load();
    Write(program, "TOP", Trimmed(*program.Trimmer, numbers::ValueText(static_cast<float>(clock.form.Top()))));
    Write(program, "LEFT", Trimmed(*program.Trimmer, numbers::ValueText(static_cast<float>(clock.form.Left()))));
}
