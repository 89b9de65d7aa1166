// The engine lock: recursive for its owner, fair (first in, first out) among waiting threads.
// Every public operation takes it around its work.
#pragma once

void LibraryLock();
void LibraryUnlock();
void LibraryLockDestroy();     // destroys the queue and guard; the next LibraryLock creates them again
