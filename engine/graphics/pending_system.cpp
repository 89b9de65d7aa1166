// Waits for movies, as the window procedure and message processing reach them. Each reports
// success and does nothing.
#include "engine/base/system_hooks.h"

void SuspendMovies() {}
void ResumeMovies() {}
void ReleaseMovieStreams() {}
