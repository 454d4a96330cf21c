// Divides by zero, an exception nothing handles: what a crash looks like to the harness, which
// must fail the test at once with the crash's own lines.
#include <windows.h>

int wmain() {
    // Both unknown to the compiler, so that it emits the division itself.
    volatile int dividend = 100;
    volatile int zero = 0;
    return dividend / zero;
}
