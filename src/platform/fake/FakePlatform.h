#pragma once

// A platform for unit tests: it records every call the program makes, keeps
// windows, settings files and the clock as plain data, and lets a test drive
// the events a user or the system would cause.

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/Random.h"

namespace platform::fake {

// A fault of the file system: the next times calls of step (OpenRead,
// OpenWrite, CreateNew, ReadAll, WriteAt, Flush, Replace, Remove,
// SetAttributes, FinalPath) on a path containing on fail with error. Done in
// part first: a write keeps the first half of its bytes (with error None it
// reports success, as a writer that does not see the disk fill up), a replace
// has taken the file away.
inline constexpr std::uint32_t kHiddenAttribute = 0x2;  // the copies' attribute, as Windows numbers it

struct FileFault {
    FileFault(std::string failing, FileError fails = FileError::Other, bool inPart = false, std::string onPath = "")
        : step(std::move(failing)), error(fails), partly(inPart), on(std::move(onPath)) {}
    std::string step;
    FileError error;
    bool partly;
    std::string on;
    int times = 1;
};

// A monitor of the fake desk: its rectangle, its work area, and its display
// scale in dots per inch (0: the screen's, from tppX).
struct FakeMonitor {
    PixelRect monitor;
    PixelRect workArea;
    int dpi = 0;
};

struct FakeWindow {
    WindowHandle handle = 0;
    std::string name;  // the form's name
    FormBorder border = FormBorder::None;
    WindowEvents* events = nullptr;
    bool visible = false;
    bool destroyed = false;
    bool enabled = true;
    TwipsRect rect;
    WindowState state = WindowState::Normal;
    RegionHandle region = 0;
    bool topmost = false;
    int dpi = 96;  // the scale the window system gave the window last
    std::vector<int> timers;  // timer ids, in the order started
    std::vector<ControlDescription> controls;
    std::map<int, bool> checks;  // control id -> shown checked
    std::vector<PixelRect> invalidated;
};

// Records paint calls as text, one line each.
class RecordingCanvas final : public Canvas {
public:
    std::vector<std::string> ops;
    void SetClip(const PixelRect& area) override;
    void FillRect(const PixelRect& area, ColorRef color) override;
    void DrawPicture(artwork::Picture picture, int x, int y, int width, int height) override;
    void DrawLine(int x1, int y1, int x2, int y2, ColorRef color, int width) override;
    void DrawEllipse(const PixelRect& box, ColorRef fill, ColorRef outline, int outlineWidth) override;
    void DrawText(std::string_view utf8, const PixelRect& box, const FontDesc& font, int emHeight,
                  ColorRef color) override;
};

class FakePlatform final : public WindowSystem, public Rgn_32, public INI_32, public WIN_32 {
public:
    FakePlatform() = default;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform Get() { return {*this, *this, *this, *this}; }

    // --- What the test sets up.
    double tppX = 15;
    double tppY = 15;
    double screenWidth = 15360;  // 1024 x 768 pixels
    double screenHeight = 11520;
    std::string appPath = "C:\\Program Files\\Marisole Clock";
    bool prevInstance = false;
    TimeOfDay time;
    WindowState newWindowState = WindowState::Normal;
    bool regionsFail = false;      // region creation returns no region
    bool regionsRefused = false;   // SetWindowRgn refuses the region
    // The file system, by full path.
    std::map<std::string, std::string> files;
    std::map<std::string, std::uint32_t> attributes;   // of files, where not the normal ones
    std::set<std::string> readOnlyFiles;
    std::set<std::string> directories;                 // folders standing where files are looked for
    std::set<std::string> foldersWithoutNewFiles;      // "C:\x\": new files refused there
    std::map<std::string, std::string> links;          // symbolic links: path -> target
    // Files another program holds open, shared with no one, by path: for how
    // many milliseconds more (Sleep lets time pass), or for good (a negative value).
    std::map<std::string, int> heldFiles;
    std::vector<FileFault> fileFaults;
    std::uint32_t processId = 1000;
    std::set<std::uint32_t> otherProcesses;  // those running besides this one
    std::uint64_t nowMs = 0;
    // The desk, in pixels; empty: one monitor of the screen's size, all of it work area.
    std::vector<FakeMonitor> monitors;
    // Draws returned by Rnd() before the seeded generator takes over.
    std::deque<float> scriptedDraws;
    // Runs while a form is shown modally (the user's actions in the dialog).
    std::function<void(FakePlatform&)> onModal;

    // --- What the program did.
    std::vector<std::string> log;
    std::vector<std::string> messageBoxes;
    bool ended = false;
    int randomizeCount = 0;
    WindowHandle capture = 0;

    FakeWindow* Window(std::string_view formName);  // the live window of that form, if any
    int LiveRegions() const { return static_cast<int>(liveRegions_.size()); }
    // Log lines that start with prefix.
    std::vector<std::string> Calls(std::string_view prefix) const;

    // --- Events.
    void Tick(std::string_view formName);
    void MouseDown(std::string_view formName, int button, double x, double y);
    void MouseMove(std::string_view formName, int buttons, double x, double y);
    void MouseUp(std::string_view formName, int button, double x, double y);
    void LoseCapture();
    void ClickControl(std::string_view formName, std::string_view controlName);
    void CloseBox(std::string_view formName);
    void EndSession(std::string_view formName);
    void UserMoves(std::string_view formName, double left, double top);  // another program moved it
    // The user drags a window by its title bar to (left, top), in the system's
    // move loop; returns its rectangle as it stood just before the drop.
    TwipsRect TitleBarDrag(std::string_view formName, double left, double top);
    void DisplayChange();  // to every window, as the system broadcasts it
    // The window system gives a window a scale, as when its monitor's scale changes.
    void ScaleChange(std::string_view formName, int dpi);
    std::vector<std::string> Paint(std::string_view formName, const PixelRect& area);

    // WindowSystem
    double TwipsPerPixelX() override { return tppX; }
    double TwipsPerPixelY() override { return tppY; }
    double ScreenWidth() override { return screenWidth; }
    double ScreenHeight() override { return screenHeight; }
    WindowHandle CreateFormWindow(const FormLayout& layout, WindowEvents& events) override;
    double WindowTwipsPerPixel(WindowHandle window) override;
    void ResizeClient(WindowHandle window, double twipsPerPixel, int width, int height) override;
    void DestroyFormWindow(WindowHandle window) override;
    void ShowWindow(WindowHandle window) override;
    void HideWindow(WindowHandle window) override;
    void RunModal(WindowHandle window, const std::function<bool()>& stillShown) override;
    void MoveWindow(WindowHandle window, double left, double top) override;
    TwipsRect GetWindowRect(WindowHandle window) override;
    WindowState GetWindowState(WindowHandle window) override;
    void Invalidate(WindowHandle window, const PixelRect& area) override;
    void StartTimer(WindowHandle window, int timerId, int intervalMs) override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    void CreateControl(WindowHandle window, const ControlDescription& control) override;
    void UpdateControl(WindowHandle window, const ControlDescription& control) override;
    void SetControlCheck(WindowHandle window, int controlId, bool checked) override;
    std::string AppPath() override { return appPath; }
    bool PrevInstance() override { return prevInstance; }
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    void DoEvents() override;
    void End() override;
    TimeOfDay Now() override { return time; }
    void Randomize() override;
    float Rnd() override;

    // Rgn_32
    RegionHandle CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                                    int ellipseHeight) override;
    RegionHandle CreateEllipticRgn(int left, int top, int right, int bottom) override;
    int SetWindowRgn(WindowHandle window, RegionHandle region, bool redraw) override;
    bool DeleteObject(RegionHandle region) override;

    // INI_32
    FileError OpenRead(const std::string& path, FileHandle& file) override;
    FileError OpenWrite(const std::string& path, FileHandle& file) override;
    FileError CreateNew(const std::string& path, FileHandle& file) override;
    FileError ReadAll(FileHandle file, std::string& bytes) override;
    FileError WriteAt(FileHandle file, std::uint64_t offset, std::string_view bytes) override;
    FileError Flush(FileHandle file) override;
    void Close(FileHandle file) override;
    FileError Replace(const std::string& path, const std::string& copy) override;
    FileError Remove(const std::string& path) override;
    FileInfo Attributes(const std::string& path) override;
    FileError SetAttributes(const std::string& path, std::uint32_t attributes) override;
    FileError FinalPath(FileHandle file, std::string& final) override;
    std::vector<std::string> List(const std::string& folder, const std::string& prefix) override;
    std::uint32_t ProcessId() override { return processId; }
    bool ProcessRunning(std::uint32_t id) override { return id == processId || otherProcesses.count(id) != 0; }
    std::uint64_t Milliseconds() override { return nowMs; }
    void Sleep(int ms) override;

    // WIN_32
    bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    MonitorHandle MonitorFromPoint(int x, int y, MonitorDefault fallback) override;
    MonitorHandle MonitorFromRect(const PixelRect& rect, MonitorDefault fallback) override;
    bool GetMonitorInfoW(MonitorHandle monitor, MonitorInfo& info) override;

private:
    std::vector<FakeMonitor> Desk() const;
    int SystemDpi() const;
    // The scale of the monitor the window meets most, or of the nearest one.
    int DpiUnder(const FakeWindow& w);
    // After a move or a resize: a window now mostly on a monitor of another
    // scale is given that scale, as the system does during the call.
    void GiveScaleOfMonitor(FakeWindow& w);
    // The window's frame on each side and its caption, in the screen's twips.
    TwipsRect Frame(const FakeWindow& w) const;
    FakeWindow* ByHandle(WindowHandle window);
    FakeWindow& Live(std::string_view formName);
    std::string NameOf(WindowHandle window);

    // The fault that this call meets, if any (used up as it fires).
    const FileFault* Fault(const char* step, const std::string& path);
    std::string Resolve(const std::string& path) const;
    bool Held(const std::string& path) const;
    FileError NewHandle(const std::string& path, FileHandle& file);

    std::map<FileHandle, std::string> open_;  // handle -> the file's path
    FileHandle nextHandle_ = 1;
    FileFault fired_{""};
    std::deque<FakeWindow> windows_;  // stable addresses
    std::map<RegionHandle, std::string> liveRegions_;
    RegionHandle nextRegion_ = 0x100;
    Random random_;
};

}  // namespace platform::fake
