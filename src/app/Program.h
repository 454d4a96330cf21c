#pragma once

// The running program: its platform, its program-wide state and its three
// windows. The options dialog is the startup window; loading it runs the
// start-up routine (AboutDialog::Form_Load).

#include <cstdint>
#include <memory>
#include <string>

#include "clock/ClockWindow.h"
#include "dialog/AboutDialog.h"
#include "platform/Platform.h"
#include "settings/SettingsFile.h"
#include "settings/cTrim.h"

class Program {
public:
    explicit Program(platform::Platform& platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    platform::Platform& sys;

    // Program-wide state.
    std::string IniPath;          // the settings file, fixed at start-up
    std::int16_t SizeMode = 0;    // bit 1: small clock; bit 0: always on top
    std::unique_ptr<cTrim> Trimmer;  // the last writer's trimmer
    // What the writers put in and a save has not yet written: kept through a
    // failed save and written with the next, or retried on the tick.
    settings::PendingSave PendingSave;
    // Whether the size and the place are the user's: read from the file, or
    // set by the user since. A file another program kept locked all through
    // start-up was not read, and the defaults shown meanwhile are never
    // written over what it holds: only what the user then sets, the size by
    // "O K" and the place by a drag.
    bool SizeKnown = true;
    bool PositionKnown = true;

    AboutDialog about;
    ClockWindow Clock;
    ClockWindow Clock_Mini;

    // Creates the startup window, which runs the start-up routine.
    void Start();

    // The clock window the size mode selects.
    ClockWindow& CurrentClock() { return SizeMode > 1 ? Clock_Mini : Clock; }

    // Puts a window into the always-on-top band or takes it out, in place:
    // its own position and size, converted to pixels.
    void PlaceInBand(platform::Form& window, bool onTop);

    // Writes the pending save in one step. False where it is kept for later:
    // the next save, a retry from the tick (after 1 s, then ever longer, up
    // to a minute) or at the latest the quit.
    bool SaveSettings();
    // Called on every tick of the clock.
    void RetrySave();

    // Saves the size and the position and ends the program.
    void SaveAndEnd();

private:
    static constexpr int kFirstRetryTicks = 5;   // of 200 ms
    static constexpr int kLastRetryTicks = 300;
    int retryTicks_ = kFirstRetryTicks;
    int ticksToRetry_ = 0;
};
