#pragma once

// What a fuzz target does when a property fails: print it and abort, which libFuzzer
// reports as a crash and keeps the input that caused it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, ...)                                              \
    do {                                                                        \
        if (!(condition)) {                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__,       \
                         __LINE__, #condition);                                 \
            std::fprintf(stderr, __VA_ARGS__);                                  \
            std::fprintf(stderr, "\n");                                         \
            std::abort();                                                       \
        }                                                                       \
    } while (false)
