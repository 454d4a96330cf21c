#pragma once

// A program running against the platform fake, with the settings file at the
// usual place.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/fake/FakePlatform.h"

class ProgramTest : public ::testing::Test {
protected:
    platform::fake::FakePlatform fake;
    platform::Platform sys = fake.Get();
    std::unique_ptr<Program> program;
    const std::string iniPath = "C:\\Program Files\\Marisole Clock\\Vo_Clock.ini";

    void Settings(const std::string& text) { fake.files[iniPath] = text; }
    std::string SettingsFile() { return fake.files.count(iniPath) ? fake.files[iniPath] : "<none>"; }

    Program& Start() {
        program = std::make_unique<Program>(sys);
        program->Start();
        return *program;
    }

    // Position of the first log line equal to line, or -1.
    long IndexOf(const std::string& line) const {
        auto it = std::find(fake.log.begin(), fake.log.end(), line);
        return it == fake.log.end() ? -1 : static_cast<long>(it - fake.log.begin());
    }
    bool Logged(const std::string& line) const { return IndexOf(line) >= 0; }
    long Count(const std::string& prefix) const { return static_cast<long>(fake.Calls(prefix).size()); }
};
