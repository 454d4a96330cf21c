#pragma once

// The options dialog "About": size, always on top, "O K" and quit. It is also
// the startup window, so its load handler is the start-up routine.

#include <cstdint>

#include "platform/Form.h"

class ClockWindow;
class Program;

class AboutDialog {
public:
    explicit AboutDialog(Program& program);

    platform::Form form;
    platform::CheckBox& Check1;
    platform::OptionButton& Option1;  // large
    platform::OptionButton& Option2;  // small
    platform::CommandButton& Command1;  // "O K"
    platform::CommandButton& Command2;  // quit

    // The size mode when the dialog was last activated.
    std::int16_t SizeAtOpen = 0;
    // 1 once "O K" has been used since the last activation.
    std::int16_t ClosedByOk = 0;

    // Start-up and activation (app/StartUp.cpp).
    void Form_Load();
    void Form_Activate();

    void Form_Unload();
    void Check1_Click();
    void Option1_Click();
    void Option2_Click();
    void Command1_Click();
    void Command2_Click();

    // Writes the size mode, once it is the user's (Program::SizeKnown).
    void Save_Size();

private:
    void Exchange(ClockWindow& from, ClockWindow& to);
    void KeepInWorkArea();

    Program& program_;
};
