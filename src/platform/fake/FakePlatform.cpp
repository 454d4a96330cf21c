#include "platform/fake/FakePlatform.h"

#include <chrono>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "platform/Scale.h"

namespace platform::fake {

namespace {

std::string Number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string RectText(const PixelRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string ColorText(ColorRef c) {
    return "rgb(" + std::to_string(RedOf(c)) + "," + std::to_string(GreenOf(c)) + "," + std::to_string(BlueOf(c)) +
           ")";
}

const char* PictureName(artwork::Picture picture) {
    switch (picture) {
    case artwork::Picture::LargeFace: return "LargeFace";
    case artwork::Picture::SmallFace: return "SmallFace";
    case artwork::Picture::Blink: return "Blink";
    case artwork::Picture::DialogBackground: return "DialogBackground";
    case artwork::Picture::Title: return "Title";
    case artwork::Picture::Portrait: return "Portrait";
    }
    return "?";
}

}  // namespace

// --- Canvas

void RecordingCanvas::SetClip(const PixelRect& area) { ops.push_back("clip " + RectText(area)); }
void RecordingCanvas::FillRect(const PixelRect& area, ColorRef color) {
    ops.push_back("fill " + RectText(area) + " " + ColorText(color));
}
void RecordingCanvas::DrawPicture(artwork::Picture picture, int x, int y, int width, int height) {
    ops.push_back(std::string("picture ") + PictureName(picture) + " " + std::to_string(x) + "," + std::to_string(y) +
                  " " + std::to_string(width) + "x" + std::to_string(height));
}
void RecordingCanvas::DrawLine(int x1, int y1, int x2, int y2, ColorRef color, int width) {
    ops.push_back("line " + std::to_string(x1) + "," + std::to_string(y1) + "-" + std::to_string(x2) + "," +
                  std::to_string(y2) + " " + ColorText(color) + " w" + std::to_string(width));
}
void RecordingCanvas::DrawEllipse(const PixelRect& box, ColorRef fill, ColorRef outline, int outlineWidth) {
    ops.push_back("ellipse " + RectText(box) + " " + ColorText(fill) + " " + ColorText(outline) + " w" +
                  std::to_string(outlineWidth));
}
void RecordingCanvas::DrawText(std::string_view utf8, const PixelRect& box, const FontDesc& font, int emHeight,
                               ColorRef color) {
    ops.push_back("text \"" + std::string(utf8) + "\" " + RectText(box) + " " + font.face + " " +
                  std::to_string(emHeight) + "px" + (font.italic ? " italic " : " ") + ColorText(color));
}

// --- Looking things up

FakeWindow* FakePlatform::ByHandle(WindowHandle window) {
    for (auto& w : windows_) {
        if (w.handle == window) return &w;
    }
    return nullptr;
}

FakeWindow* FakePlatform::Window(std::string_view formName) {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if (it->name == formName && !it->destroyed) return &*it;
    }
    return nullptr;
}

FakeWindow& FakePlatform::Live(std::string_view formName) {
    FakeWindow* w = Window(formName);
    if (!w) throw std::logic_error("no live window " + std::string(formName));
    return *w;
}

std::string FakePlatform::NameOf(WindowHandle window) {
    if (window == kInsertTopmost) return "TOPMOST";
    if (window == kInsertNoTopmost) return "NOTOPMOST";
    FakeWindow* w = ByHandle(window);
    return w ? w->name : "hwnd?" + std::to_string(window);
}

std::vector<std::string> FakePlatform::Calls(std::string_view prefix) const {
    std::vector<std::string> out;
    for (const auto& line : log) {
        if (line.starts_with(prefix)) out.push_back(line);
    }
    return out;
}

// --- Events

void FakePlatform::Tick(std::string_view formName) {
    FakeWindow& w = Live(formName);
    for (std::size_t i = 0; i < w.timers.size(); ++i) {
        if (ended) return;
        // Timer ids are what the form asked for; the fake keeps them in order.
        w.events->OnTimer(w.timers[i]);
    }
}

void FakePlatform::MouseDown(std::string_view formName, int button, double x, double y) {
    FakeWindow& w = Live(formName);
    if (!ended && w.enabled) w.events->OnMouse(MouseAction::Down, button, 0, x, y);
}

// With the pointer captured, moves and releases go to the capturing window
// wherever the pointer is; over a window that is gone they go nowhere.
void FakePlatform::MouseMove(std::string_view formName, int buttons, double x, double y) {
    FakeWindow* w = capture ? ByHandle(capture) : Window(formName);
    if (!ended && w && w->enabled) w->events->OnMouse(MouseAction::Move, buttons, 0, x, y);
}

void FakePlatform::MouseUp(std::string_view formName, int button, double x, double y) {
    FakeWindow* w = capture ? ByHandle(capture) : Window(formName);
    if (!ended && w && w->enabled) w->events->OnMouse(MouseAction::Up, button, 0, x, y);
}

void FakePlatform::LoseCapture() {
    FakeWindow* w = ByHandle(capture);
    capture = 0;
    if (w && !w->destroyed && !ended) w->events->OnCaptureLost();
}

void FakePlatform::ClickControl(std::string_view formName, std::string_view controlName) {
    FakeWindow& w = Live(formName);
    for (const auto& control : w.controls) {
        if (controlName == control.name) {
            if (!ended && w.enabled) w.events->OnControlClicked(control.controlId);
            return;
        }
    }
    throw std::logic_error("no control " + std::string(controlName));
}

void FakePlatform::CloseBox(std::string_view formName) {
    if (!ended) Live(formName).events->OnClose();
}

void FakePlatform::EndSession(std::string_view formName) {
    if (!ended) Live(formName).events->OnEndSession();
}

void FakePlatform::UserMoves(std::string_view formName, double left, double top) {
    FakeWindow& w = Live(formName);
    w.rect.left = left;
    w.rect.top = top;
}

TwipsRect FakePlatform::TitleBarDrag(std::string_view formName, double left, double top) {
    FakeWindow& w = Live(formName);
    w.events->OnMoveLoop(true);
    w.rect.left = left;
    w.rect.top = top;
    GiveScaleOfMonitor(w);
    TwipsRect before = w.rect;
    if (!ended) w.events->OnMoveLoop(false);
    return before;
}

void FakePlatform::ScaleChange(std::string_view formName, int dpi) {
    FakeWindow& w = Live(formName);
    w.dpi = dpi;
    if (!ended) w.events->OnScaleChanged(scale::TwipsPerPixel(dpi));
}

void FakePlatform::DisplayChange() {
    for (auto& w : windows_) {
        if (!w.destroyed && !ended) w.events->OnDisplayChange();
    }
}

std::vector<std::string> FakePlatform::Paint(std::string_view formName, const PixelRect& area) {
    RecordingCanvas canvas;
    Live(formName).events->OnPaint(canvas, area);
    return canvas.ops;
}

// --- WindowSystem

// A dialog frame: 3 px borders and a 20 px caption.
TwipsRect FakePlatform::Frame(const FakeWindow& w) const {
    bool framed = w.border == FormBorder::FixedDialog;
    return {framed ? 3 * tppX : 0, framed ? 23 * tppY : 0, framed ? 6 * tppX : 0, framed ? 26 * tppY : 0};
}

WindowHandle FakePlatform::CreateFormWindow(const FormLayout& layout, WindowEvents& events) {
    FakeWindow w;
    w.handle = static_cast<WindowHandle>(0x1000 + windows_.size() * 0x10);
    w.name = layout.name;
    w.border = layout.border;
    w.events = &events;
    w.state = newWindowState;
    TwipsRect frame = Frame(w);
    w.rect = {layout.initialLeft.value_or(0) - frame.left, layout.initialTop.value_or(0) - frame.top,
              layout.clientWidth + frame.width, layout.clientHeight + frame.height};
    // Made at the scale of the monitor it stands on, its client area the
    // layout's at that scale (in the screen's twips, unrounded).
    w.dpi = DpiUnder(w);
    double own = scale::TwipsPerPixel(w.dpi);
    w.rect.width = layout.clientWidth * tppX / own + frame.width;
    w.rect.height = layout.clientHeight * tppY / own + frame.height;
    windows_.push_back(w);
    log.push_back("CreateFormWindow " + w.name);
    return w.handle;
}

double FakePlatform::WindowTwipsPerPixel(WindowHandle window) { return scale::TwipsPerPixel(ByHandle(window)->dpi); }

void FakePlatform::ResizeClient(WindowHandle window, double twipsPerPixel, int width, int height) {
    FakeWindow* w = ByHandle(window);
    log.push_back("ResizeClient " + w->name + " " + std::to_string(width) + "x" + std::to_string(height) + " at " +
                  std::to_string(static_cast<int>(std::lround(1440 / twipsPerPixel))));
    TwipsRect frame = Frame(*w);
    w->rect.width = width * tppX + frame.width;
    w->rect.height = height * tppY + frame.height;
    GiveScaleOfMonitor(*w);
}

void FakePlatform::GiveScaleOfMonitor(FakeWindow& w) {
    int dpi = DpiUnder(w);
    if (dpi == w.dpi || w.destroyed || ended) return;
    w.dpi = dpi;
    w.events->OnScaleChanged(scale::TwipsPerPixel(dpi));
}

int FakePlatform::SystemDpi() const { return static_cast<int>(std::lround(1440.0 / tppX)); }

int FakePlatform::DpiUnder(const FakeWindow& w) {
    int left = static_cast<int>(std::lround(w.rect.left / tppX));
    int top = static_cast<int>(std::lround(w.rect.top / tppY));
    PixelRect pixels{left, top, left + static_cast<int>(std::lround(w.rect.width / tppX)),
                     top + static_cast<int>(std::lround(w.rect.height / tppY))};
    MonitorHandle monitor = MonitorFromRect(pixels, MonitorDefault::Nearest);
    std::vector<FakeMonitor> desk = Desk();
    int dpi = monitor > 0 ? desk[static_cast<std::size_t>(monitor) - 1].dpi : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

void FakePlatform::DestroyFormWindow(WindowHandle window) {
    FakeWindow* w = ByHandle(window);
    if (!w) return;
    log.push_back("DestroyFormWindow " + w->name);
    w->destroyed = true;
    w->visible = false;
    if (w->region) {
        liveRegions_.erase(w->region);  // the region goes with its window
        w->region = 0;
    }
    if (capture == window) capture = 0;
}

void FakePlatform::ShowWindow(WindowHandle window) {
    FakeWindow* w = ByHandle(window);
    log.push_back("ShowWindow " + w->name);
    w->visible = true;
    // Showing activates, as the real window manager does.
    w->events->OnActivate();
}

void FakePlatform::HideWindow(WindowHandle window) {
    FakeWindow* w = ByHandle(window);
    log.push_back("HideWindow " + w->name);
    w->visible = false;
}

void FakePlatform::RunModal(WindowHandle window, const std::function<bool()>& stillShown) {
    log.push_back("RunModal " + NameOf(window));
    // Other windows are disabled, which takes the pointer from whoever holds it.
    if (capture && capture != window) LoseCapture();
    std::vector<FakeWindow*> disabled;
    for (auto& w : windows_) {
        if (w.handle != window && !w.destroyed && w.enabled) {
            w.enabled = false;
            disabled.push_back(&w);
        }
    }
    if (onModal && stillShown()) onModal(*this);
    for (FakeWindow* w : disabled) w->enabled = true;
    log.push_back(std::string("EndModal ") + NameOf(window) + (stillShown() && !ended ? " (still shown)" : ""));
}

// A window moved onto a monitor of another scale learns it then, as the
// system tells it during the move; the corner it was moved to stays.
void FakePlatform::MoveWindow(WindowHandle window, double left, double top) {
    FakeWindow* w = ByHandle(window);
    log.push_back("Move " + w->name + " " + Number(left) + " " + Number(top));
    w->rect.left = left;
    w->rect.top = top;
    GiveScaleOfMonitor(*w);
}

TwipsRect FakePlatform::GetWindowRect(WindowHandle window) { return ByHandle(window)->rect; }
WindowState FakePlatform::GetWindowState(WindowHandle window) { return ByHandle(window)->state; }

void FakePlatform::Invalidate(WindowHandle window, const PixelRect& area) {
    ByHandle(window)->invalidated.push_back(area);
}

void FakePlatform::StartTimer(WindowHandle window, int timerId, int intervalMs) {
    FakeWindow* w = ByHandle(window);
    log.push_back("StartTimer " + w->name + " " + std::to_string(intervalMs));
    w->timers.push_back(timerId);
}

void FakePlatform::SetCapture(WindowHandle window) { capture = window; }
void FakePlatform::ReleaseCapture() { capture = 0; }

void FakePlatform::CreateControl(WindowHandle window, const ControlDescription& control) {
    FakeWindow* w = ByHandle(window);
    w->controls.push_back(control);
    w->checks[control.controlId] = false;
}

void FakePlatform::UpdateControl(WindowHandle window, const ControlDescription& control) {
    FakeWindow* w = ByHandle(window);
    for (auto& made : w->controls) {
        if (made.controlId == control.controlId) {
            bool groupStart = made.groupStart;
            made = control;
            made.groupStart = groupStart;
        }
    }
}

void FakePlatform::SetControlCheck(WindowHandle window, int controlId, bool checked) {
    ByHandle(window)->checks[controlId] = checked;
}

int FakePlatform::MsgBox(const std::string& text, int style, const std::string& title) {
    log.push_back("MsgBox " + std::to_string(style) + " " + title + ": " + text);
    messageBoxes.push_back(text);
    return 1;  // OK
}

void FakePlatform::DoEvents() { log.push_back("DoEvents"); }

void FakePlatform::End() {
    log.push_back("End");
    ended = true;
}

void FakePlatform::Randomize() {
    ++randomizeCount;
    random_.Seed(static_cast<std::uint64_t>(time.hour * 3600000 + time.minute * 60000 + time.second * 1000 +
                                            time.millisecond) +
                 static_cast<std::uint64_t>(randomizeCount));
}

float FakePlatform::Rnd() {
    if (!scriptedDraws.empty()) {
        float draw = scriptedDraws.front();
        scriptedDraws.pop_front();
        return draw;
    }
    return random_.Next();
}

// --- Rgn_32

RegionHandle FakePlatform::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                              int ellipseHeight) {
    std::string call = "CreateRoundRectRgn " + std::to_string(left) + " " + std::to_string(top) + " " +
                       std::to_string(right) + " " + std::to_string(bottom) + " " + std::to_string(ellipseWidth) +
                       " " + std::to_string(ellipseHeight);
    log.push_back(call);
    if (regionsFail) return 0;
    liveRegions_[nextRegion_] = call;
    return nextRegion_++;
}

RegionHandle FakePlatform::CreateEllipticRgn(int left, int top, int right, int bottom) {
    std::string call = "CreateEllipticRgn " + std::to_string(left) + " " + std::to_string(top) + " " +
                       std::to_string(right) + " " + std::to_string(bottom);
    log.push_back(call);
    if (regionsFail) return 0;
    liveRegions_[nextRegion_] = call;
    return nextRegion_++;
}

int FakePlatform::SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) {
    FakeWindow* w = ByHandle(window);
    log.push_back("SetWindowRgn " + NameOf(window) + (redraw ? " redraw" : ""));
    if (regionsRefused || !w) return 0;
    if (w->region) liveRegions_.erase(w->region);  // the old one is freed by the system
    w->region = region;
    return 1;
}

bool FakePlatform::DeleteObject(RegionHandle region) {
    log.push_back("DeleteObject region");
    return liveRegions_.erase(region) == 1;
}

// --- INI_32: a file system in memory, with faults put in where a test asks.

const FileFault* FakePlatform::Fault(const char* step, const std::string& path) {
    for (auto it = fileFaults.begin(); it != fileFaults.end(); ++it) {
        if (it->step != step || path.find(it->on) == std::string::npos) continue;
        fired_ = *it;
        if (--it->times == 0) fileFaults.erase(it);
        log.push_back(std::string("Fault ") + step + " " + path);
        return &fired_;
    }
    return nullptr;
}

std::string FakePlatform::Resolve(const std::string& path) const {
    std::string at = path;
    for (int hops = 0; hops < 8; ++hops) {
        auto link = links.find(at);
        if (link == links.end()) break;
        at = link->second;
    }
    return at;
}

bool FakePlatform::Held(const std::string& path) const {
    return heldFiles.count(path) != 0 || heldFiles.count(Resolve(path)) != 0;
}

FileError FakePlatform::NewHandle(const std::string& path, FileHandle& file) {
    file = nextHandle_++;
    open_[file] = path;
    return FileError::None;
}

FileError FakePlatform::OpenRead(const std::string& path, FileHandle& file) {
    log.push_back("OpenRead " + path);
    if (const FileFault* fault = Fault("OpenRead", path)) return fault->error;
    std::string at = Resolve(path);
    if (Held(path)) return FileError::Held;
    if (directories.count(at)) return FileError::AccessDenied;
    if (!files.count(at)) return FileError::NotFound;
    return NewHandle(at, file);
}

FileError FakePlatform::OpenWrite(const std::string& path, FileHandle& file) {
    log.push_back("OpenWrite " + path);
    if (const FileFault* fault = Fault("OpenWrite", path)) return fault->error;
    std::string at = Resolve(path);
    if (Held(path)) return FileError::Held;
    if (directories.count(at) || readOnlyFiles.count(at)) return FileError::AccessDenied;
    if (!files.count(at)) return FileError::NotFound;
    return NewHandle(at, file);
}

FileError FakePlatform::CreateNew(const std::string& path, FileHandle& file) {
    log.push_back("CreateNew " + path);
    if (const FileFault* fault = Fault("CreateNew", path)) return fault->error;
    if (foldersWithoutNewFiles.count(path.substr(0, path.find_last_of('\\') + 1))) return FileError::AccessDenied;
    if (files.count(path) || directories.count(path) || links.count(path)) return FileError::Exists;
    files[path] = "";
    attributes[path] = kHiddenAttribute;
    return NewHandle(path, file);
}

FileError FakePlatform::ReadAll(FileHandle file, std::string& bytes) {
    const std::string& path = open_.at(file);
    if (const FileFault* fault = Fault("ReadAll", path)) return fault->error;
    auto found = files.find(path);
    if (found == files.end()) return FileError::NotFound;
    bytes = found->second;
    return FileError::None;
}

FileError FakePlatform::WriteAt(FileHandle file, std::uint64_t offset, std::string_view bytes) {
    const std::string& path = open_.at(file);
    log.push_back("WriteAt " + path + " " + std::to_string(offset));
    std::string& data = files[path];
    data.resize(static_cast<std::size_t>(offset), '\0');
    if (const FileFault* fault = Fault("WriteAt", path)) {
        if (fault->partly) data += bytes.substr(0, bytes.size() / 2);
        if (fault->error != FileError::None || fault->partly) return fault->error;
    }
    data += bytes;
    return FileError::None;
}

FileError FakePlatform::Flush(FileHandle file) {
    if (const FileFault* fault = Fault("Flush", open_.at(file))) return fault->error;
    return FileError::None;
}

void FakePlatform::Close(FileHandle file) { open_.erase(file); }

FileError FakePlatform::Replace(const std::string& path, const std::string& copy) {
    log.push_back("Replace " + path + " " + copy);
    if (const FileFault* fault = Fault("Replace", path)) {
        if (fault->partly) files.erase(path);
        return fault->error;
    }
    if (!files.count(copy)) return FileError::NotFound;
    if (Held(path)) return FileError::Held;
    if (readOnlyFiles.count(path) || directories.count(path)) return FileError::AccessDenied;
    // The name itself takes the copy: a link there would go; the file's attributes stay.
    links.erase(path);
    bool existed = files.count(path) != 0;
    files[path] = files[copy];
    if (!existed) attributes[path] = attributes[copy];
    files.erase(copy);
    attributes.erase(copy);
    return FileError::None;
}

FileError FakePlatform::Remove(const std::string& path) {
    log.push_back("Remove " + path);
    if (const FileFault* fault = Fault("Remove", path)) return fault->error;
    if (Held(path)) return FileError::Held;
    attributes.erase(path);
    return files.erase(path) ? FileError::None : FileError::NotFound;
}

FileInfo FakePlatform::Attributes(const std::string& path) {
    std::string at = Resolve(path);
    FileInfo info;
    info.directory = directories.count(at) != 0;
    info.exists = info.directory || files.count(at) != 0;
    info.readOnly = readOnlyFiles.count(at) != 0;
    if (auto found = attributes.find(at); found != attributes.end() && info.exists) info.keep = found->second;
    return info;
}

FileError FakePlatform::SetAttributes(const std::string& path, std::uint32_t bits) {
    if (const FileFault* fault = Fault("SetAttributes", path)) return fault->error;
    std::string at = Resolve(path);
    if (!files.count(at)) return FileError::NotFound;
    attributes[at] = bits;
    return FileError::None;
}

FileError FakePlatform::FinalPath(FileHandle file, std::string& final) {
    if (const FileFault* fault = Fault("FinalPath", open_.at(file))) return fault->error;
    final = open_.at(file);
    return FileError::None;
}

std::vector<std::string> FakePlatform::List(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : files) {
        if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) continue;
        std::string name = path.substr(folder.size());
        if (name.find('\\') == std::string::npos && name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
    }
    return names;
}

void FakePlatform::Sleep(int ms) {
    nowMs += static_cast<std::uint64_t>(ms);
    for (auto it = heldFiles.begin(); it != heldFiles.end();) {
        if (it->second >= 0 && (it->second -= ms) <= 0) {
            it = heldFiles.erase(it);
        } else {
            ++it;
        }
    }
}

// --- WIN_32

bool FakePlatform::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                unsigned flags) {
    log.push_back("SetWindowPos " + NameOf(window) + " " + NameOf(insertAfter) + " " + std::to_string(x) + " " +
                  std::to_string(y) + " " + std::to_string(cx) + " " + std::to_string(cy) + " " +
                  std::to_string(flags));
    FakeWindow* w = ByHandle(window);
    if (!w) return false;
    if (insertAfter == kInsertTopmost) w->topmost = true;
    if (insertAfter == kInsertNoTopmost) w->topmost = false;
    if (flags & 0x40) w->visible = true;
    return true;
}

// --- Monitors, chosen as the window system chooses them: the one holding the
// point; the one the rectangle meets most, else the one nearest to it.

std::vector<FakeMonitor> FakePlatform::Desk() const {
    if (!monitors.empty()) return monitors;
    PixelRect screen{0, 0, static_cast<int>(screenWidth / tppX), static_cast<int>(screenHeight / tppY)};
    return {{screen, screen, 0}};
}

MonitorHandle FakePlatform::MonitorFromPoint(int x, int y, MonitorDefault fallback) {
    return MonitorFromRect({x, y, x + 1, y + 1}, fallback);
}

MonitorHandle FakePlatform::MonitorFromRect(const PixelRect& rect, MonitorDefault fallback) {
    std::vector<FakeMonitor> desk = Desk();
    MonitorHandle most = 0;
    long long mostArea = 0;
    MonitorHandle nearest = 0;
    long long nearestDistance = 0;
    for (std::size_t i = 0; i < desk.size(); ++i) {
        const PixelRect& m = desk[i].monitor;
        auto handle = static_cast<MonitorHandle>(i + 1);
        long long area = Intersect(rect, m).Area();
        if (area > mostArea) {
            mostArea = area;
            most = handle;
        }
        long long dx = rect.right <= m.left ? m.left - rect.right + 1 : rect.left >= m.right ? rect.left - m.right + 1 : 0;
        long long dy = rect.bottom <= m.top ? m.top - rect.bottom + 1 : rect.top >= m.bottom ? rect.top - m.bottom + 1 : 0;
        long long distance = dx * dx + dy * dy;
        if (nearest == 0 || distance < nearestDistance) {
            nearest = handle;
            nearestDistance = distance;
        }
    }
    if (most != 0) return most;
    return fallback == MonitorDefault::Nearest ? nearest : 0;
}

bool FakePlatform::GetMonitorInfoW(MonitorHandle monitor, MonitorInfo& info) {
    std::vector<FakeMonitor> desk = Desk();
    if (monitor < 1 || static_cast<std::size_t>(monitor) > desk.size()) return false;
    const FakeMonitor& found = desk[static_cast<std::size_t>(monitor) - 1];
    info = {found.monitor, found.workArea};
    return true;
}

}  // namespace platform::fake
