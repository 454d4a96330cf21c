#include "app/M_Clock.h"

#include "app/Program.h"
#include "settings/Writers.h"

void M_Clock::Save_Position(Program& program) {
    ClockWindow& clock = program.CurrentClock();
    if (!clock.form.Loaded()) clock.form.Load();
    settings::WritePosition(program.sys.ini, program.IniPath, program.Trimmer, clock.form.Top(), clock.form.Left());
}
