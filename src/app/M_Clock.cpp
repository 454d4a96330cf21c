#include "app/M_Clock.h"

#include "app/Program.h"
#include "settings/Writers.h"

// The clock of the size now chosen gives the position. When that clock is not
// loaded yet (a size chosen, then the dialog quit or closed without "O K"),
// it is loaded hidden and put where the clock on the screen stands, as "O K"
// would put it, so that the next start shows it at the user's place.
void M_Clock::Save_Position(Program& program) {
    if (!program.PositionKnown) return;
    ClockWindow& clock = program.CurrentClock();
    if (!clock.form.Loaded()) {
        clock.form.Load();
        ClockWindow& shown = &clock == &program.Clock ? program.Clock_Mini : program.Clock;
        if (shown.form.Loaded()) clock.TakePlaceOf(shown);
    }
    settings::WritePosition(program.PendingSave, program.Trimmer, clock.form.Top(), clock.form.Left());
}
