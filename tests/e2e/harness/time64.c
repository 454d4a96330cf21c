/* Preloaded after libfaketime into the 32-bit Wine loader, so that the frozen wall clock
 * reaches the program.
 *
 * Debian's 32-bit Wine is built with a 64-bit time_t: its ntdll.so reads the clock through
 * glibc's __clock_gettime64, __gettimeofday64 and __time64, which the 32-bit libfaketime does
 * not replace (it replaces clock_gettime, gettimeofday and time). Each of these forwards to
 * the 32-bit call, which then resolves to libfaketime's; a date of the tests fits in 32 bits.
 *
 * Built with -nostdlib (no 32-bit C library needed to build it); the 64-bit copy is empty, so
 * that the one preload setting ("$LIB") also serves 64-bit processes quietly.
 */
#if defined(__i386__)

struct timespec32 { long tv_sec; long tv_nsec; };
struct timespec64 { long long tv_sec; long tv_nsec; long padding; };
struct timeval32 { long tv_sec; long tv_usec; };
struct timeval64 { long long tv_sec; long long tv_usec; };

extern int clock_gettime(int clock, struct timespec32 *ts);
extern int gettimeofday(struct timeval32 *tv, void *tz);
extern long time(long *t);

int __clock_gettime64(int clock, struct timespec64 *ts) {
    struct timespec32 t;
    int result = clock_gettime(clock, &t);
    if (result == 0) {
        ts->tv_sec = t.tv_sec;
        ts->tv_nsec = t.tv_nsec;
        ts->padding = 0;
    }
    return result;
}

int __gettimeofday64(struct timeval64 *tv, void *tz) {
    struct timeval32 t;
    int result = gettimeofday(&t, tz);
    if (result == 0 && tv) {
        tv->tv_sec = t.tv_sec;
        tv->tv_usec = t.tv_usec;
    }
    return result;
}

long long __time64(long long *t) {
    long long now = time(0);
    if (t)
        *t = now;
    return now;
}

#else
int marisole_time64_unused;
#endif
