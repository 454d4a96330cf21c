#pragma once

// Turns a number's text into the stored value text: cut at the first NUL,
// blanks trimmed at both ends.

#include <string>
#include <string_view>

class cTrim {
public:
    // Replaces the working text.
    void temp(std::string_view text) { text_ = text; }
    void ZorvTrim();
    // A copy of the working text.
    std::string EndTrim() const { return text_; }

private:
    std::string text_;
};
