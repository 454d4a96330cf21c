#pragma once

// Design-time description of a form window and its elements, as the forms/
// folder writes it down. Positions and sizes are twips (1/1440 inch).

#include <optional>
#include <vector>

#include "artwork/Pictures.h"
#include "platform/Types.h"

namespace platform {

enum class ElementKind { Timer, Image, Line, Shape, Label, PictureBox, CheckBox, OptionButton, CommandButton };

enum class FormBorder {
    None,         // no frame at all: the clock windows
    FixedDialog,  // title bar, system menu and close box; not resizable
};

struct FontDesc {
    const char* face = "";  // UTF-8
    double points = 9;
    int weight = 400;
    bool italic = false;
    int charset = 1;  // 1: the system default; 128: Shift-JIS
};

struct ElementLayout {
    const char* name = "";
    ElementKind kind = ElementKind::Image;
    // Box of images, shapes, labels, picture boxes and controls, relative to the container.
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    // End points of a line.
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    ColorRef color = 0;    // line colour, shape fill, label text
    ColorRef outline = 0;  // shape outline
    int lineWidth = 1;     // pixels at 96 dpi
    std::optional<artwork::Picture> picture{};
    const char* caption = "";  // UTF-8
    int tabIndex = -1;         // -1: not in the tab order
    bool visible = true;
    int interval = 0;  // timer, milliseconds
    std::optional<ColorRef> backColor{};
    std::optional<FontDesc> font{};
    const char* container = nullptr;  // the picture box that holds it; nullptr: the form
};

struct FormLayout {
    const char* name = "";
    const char* caption = "";
    FormBorder border = FormBorder::None;
    double clientWidth = 0;  // twips
    double clientHeight = 0;
    ColorRef backColor = Rgb(192, 192, 192);
    ColorRef foreColor = Rgb(0, 0, 0);
    bool hasIcon = false;
    bool showInTaskbar = false;
    // Client area's top-left corner on the screen, twips; none: the system's default place.
    std::optional<double> initialLeft{};
    std::optional<double> initialTop{};
    std::vector<ElementLayout> elements{};  // front to back
};

}  // namespace platform
