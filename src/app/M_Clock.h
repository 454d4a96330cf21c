#pragma once

// Module M_Clock: the position writer shared by the clocks and the dialog.

class Program;

namespace M_Clock {

// Puts "TOP" and then "LEFT" of the clock window the size mode selects into
// the pending save (Program::SaveSettings writes it), loading that window
// first (hidden) if it is not loaded; nothing while the place shown is not
// the user's (Program::PositionKnown).
void Save_Position(Program& program);

}  // namespace M_Clock
