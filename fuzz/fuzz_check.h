// A broken property must stop the run whatever the build type, so that
// libFuzzer keeps the input and every later run fails on it.
#pragma once
#include <cstdio>
#define FUZZ_CHECK(c) ((c) ? (void)0 : (std::fputs("broken: " #c "\n", stderr), __builtin_trap()))
