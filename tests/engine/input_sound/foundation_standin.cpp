// TEMPORARY: stands in for the base log, tracked memory and fatal exit until they land on main.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "engine/base/log.h"
#include "engine/base/memory.h"

int LogWrite(const char*) { return -1; }
int LogPrintf(const char*, ...) { return -1; }
int LogIndentIncrease() { return -1; }
int LogIndentDecrease() { return -1; }
void* TrackedAlloc(size_t size, const char*, int) { return std::malloc(size ? size : 1); }
void* TrackedCalloc(size_t size, const char*, int) { return std::calloc(1, size ? size : 1); }
void TrackedFree(void* p) { std::free(p); }
void ErrorExit(const char* text) { std::fprintf(stderr, "%s\n", text); std::exit(-1); }
