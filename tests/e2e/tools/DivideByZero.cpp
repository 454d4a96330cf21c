// Divides by zero, an exception nothing handles: what a crash of a windowed program looks like
// to the harness, which must fail the test at once with the crash's own lines.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Both unknown to the compiler, so that it emits the division itself.
    volatile int dividend = 100;
    volatile int zero = 0;
    return dividend / zero;
}
