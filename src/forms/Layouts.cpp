#include "forms/Layouts.h"

#include "Version.h"

namespace forms {

using artwork::Picture;
using platform::ElementKind;
using platform::ElementLayout;
using platform::FormBorder;
using platform::FormLayout;
using platform::Rgb;

namespace {

constexpr platform::ColorRef kBlack = Rgb(0, 0, 0);

// The labels' face; the Windows layer falls back to another proportional
// Japanese face where this one is missing.
constexpr platform::FontDesc kLabelFont{
    .face = "ＭＳ Ｐゴシック", .points = 9, .weight = 400, .italic = true, .charset = 128};

}  // namespace

FormLayout ClockLayout() {
    return {
        .name = "Clock",
        .caption = "Form1",
        .border = FormBorder::None,
        .clientWidth = 7200,
        .clientHeight = 7200,
        .elements = {
            {.name = "Timer1", .kind = ElementKind::Timer, .interval = 200},
            {.name = "Shape1", .kind = ElementKind::Shape, .left = 3720, .top = 5640, .width = 135, .height = 135,
             .color = Rgb(255, 0, 0), .outline = kBlack},
            {.name = "Line3", .kind = ElementKind::Line, .x1 = 3775, .y1 = 5700, .x2 = 3775, .y2 = 4800,
             .color = Rgb(255, 0, 0), .lineWidth = 1},
            {.name = "Line2", .kind = ElementKind::Line, .x1 = 3775, .y1 = 5700, .x2 = 3775, .y2 = 4900,
             .color = kBlack, .lineWidth = 3},
            {.name = "Line1", .kind = ElementKind::Line, .x1 = 3775, .y1 = 5700, .x2 = 3775, .y2 = 5100,
             .color = kBlack, .lineWidth = 5},
            {.name = "Image1", .kind = ElementKind::Image, .left = 0, .top = 0, .width = 7200, .height = 7200,
             .picture = Picture::LargeFace},
        },
    };
}

FormLayout ClockMiniLayout() {
    constexpr platform::ColorRef kPink = Rgb(255, 128, 128);
    constexpr platform::ColorRef kPeriwinkle = Rgb(128, 128, 255);
    return {
        .name = "Clock_Mini",
        .caption = "Form1",
        .border = FormBorder::None,
        .clientWidth = 3555,
        .clientHeight = 3555,
        .elements = {
            {.name = "Timer1", .kind = ElementKind::Timer, .interval = 200},
            {.name = "Shape1", .kind = ElementKind::Shape, .left = 1680, .top = 1680, .width = 135, .height = 135,
             .color = kPink, .outline = kBlack},
            {.name = "Line3", .kind = ElementKind::Line, .x1 = 1740, .y1 = 1740, .x2 = 1740, .y2 = 390,
             .color = kPink, .lineWidth = 1},
            {.name = "Line2", .kind = ElementKind::Line, .x1 = 1740, .y1 = 1740, .x2 = 1740, .y2 = 690,
             .color = kPeriwinkle, .lineWidth = 3},
            {.name = "Line1", .kind = ElementKind::Line, .x1 = 1740, .y1 = 1740, .x2 = 1740, .y2 = 990,
             .color = kPeriwinkle, .lineWidth = 5},
            {.name = "Image2", .kind = ElementKind::Image, .left = 1050, .top = 1740, .width = 1485, .height = 585,
             .picture = Picture::Blink, .visible = false},
            {.name = "Image1", .kind = ElementKind::Image, .left = 0, .top = 0, .width = 3495, .height = 3495,
             .picture = Picture::SmallFace},
        },
    };
}

FormLayout AboutLayout() {
    constexpr platform::ColorRef kGrey = Rgb(192, 192, 192);
    return {
        .name = "about",
        .caption = "About",
        .border = FormBorder::FixedDialog,
        .clientWidth = 3735,
        .clientHeight = 1845,
        .backColor = kGrey,
        .foreColor = kBlack,
        .hasIcon = true,
        .initialLeft = 6690,
        .initialTop = 5100,
        .elements = {
            {.name = "Picture1", .kind = ElementKind::PictureBox, .left = -120, .top = 0, .width = 4335,
             .height = 2295, .picture = Picture::DialogBackground, .tabIndex = 0},
            {.name = "Check1", .kind = ElementKind::CheckBox, .left = 240, .top = 840, .width = 1695, .height = 255,
             .caption = "常に手前に表示", .tabIndex = 7, .backColor = kGrey, .container = "Picture1"},
            {.name = "Option2", .kind = ElementKind::OptionButton, .left = 240, .top = 1440, .width = 1335,
             .height = 255, .caption = "小 (233*233)", .tabIndex = 6, .backColor = kGrey, .container = "Picture1"},
            {.name = "Option1", .kind = ElementKind::OptionButton, .left = 240, .top = 1200, .width = 1335,
             .height = 255, .caption = "大 (480*480)", .tabIndex = 5, .backColor = kGrey, .container = "Picture1"},
            {.name = "Command2", .kind = ElementKind::CommandButton, .left = 2880, .top = 1320, .width = 735,
             .height = 375, .caption = "終了", .tabIndex = 4, .container = "Picture1"},
            {.name = "Command1", .kind = ElementKind::CommandButton, .left = 1800, .top = 1320, .width = 855,
             .height = 375, .caption = "O K", .tabIndex = 3, .container = "Picture1"},
            {.name = "Image2", .kind = ElementKind::Image, .left = 120, .top = 120, .width = 1950, .height = 450,
             .picture = Picture::Title, .container = "Picture1"},
            {.name = "Label2", .kind = ElementKind::Label, .left = 360, .top = 550, .width = 1815, .height = 255,
             .color = Rgb(255, 0, 0), .caption = "(C) 2026 Marisole", .tabIndex = 2, .font = kLabelFont,
             .container = "Picture1"},
            {.name = "Label1", .kind = ElementKind::Label, .left = 1920, .top = 240, .width = 735, .height = 255,
             .color = Rgb(0, 0, 255), .caption = " Ver" MARISOLE_VERSION_TEXT, .tabIndex = 1, .font = kLabelFont,
             .container = "Picture1"},
            {.name = "Image1", .kind = ElementKind::Image, .left = 2640, .top = 120, .width = 1065, .height = 1035,
             .picture = Picture::Portrait, .container = "Picture1"},
        },
    };
}

}  // namespace forms
