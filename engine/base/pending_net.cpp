// Waits for the network layer and HTTP transfers as start-up, shut-down and message processing
// reach them.
#include "engine/base/system_hooks.h"

void NetWorkPumpWindow() {}
void HttpProcessAllTransfers() {}
void HttpClearTransferTable() {}
void HttpDeleteAllTransfers() {}
void NetWorkTerminate() {}
intptr_t NetWorkSocketEvent(uintptr_t, intptr_t) { return 0; }
