// The TCP layer (network handles over sockets, raw or length-framed through ring buffers, events
// from the network window) and the HTTP/1.0 transfers polled on top of it (engine internals).
#pragma once
#include <cstdint>
#include "engine/base/memory.h"
#include "platform/net.h"

constexpr int NETWORK_TABLE_SIZE = 4097;          // slots 0-4096; connections take 0-4095
constexpr int NETWORK_CONNECTION_SLOTS = 4096;
constexpr uint32_t NETWORK_SOCKET_MESSAGE = 0x505;
// A framed message longer than this is refused: the handle is marked in error and dropped.
constexpr uint32_t NETWORK_FRAME_LIMIT = 64u << 20;
// What one handle keeps of received messages that the program has not read: a message that would
// take the ring past this waits in the socket (and the peer is held back by the connection's own
// flow control) until the program has read, or has asked to read more than the handle holds; a lone
// message up to the frame limit always fits. Tests lower it.
extern int32_t g_NetworkReceiveLimit;
// Messages one receive call takes before it leaves the rest to the next round, so that a peer
// that never stops sending cannot hold the program inside one call.
constexpr int NETWORK_RECEIVE_ROUND_MESSAGES = 256;

struct SocketRecord {
  int32_t inUse;
  int32_t error;
  int32_t connected;
  int32_t disconnectSeen;
  int32_t framing;
  int32_t autoClose;
  int32_t check;
  plat::NetSocket socket;
  int32_t recvExpected;           // bytes still expected of the framed message being received
  RingBuffer recvRing;
  RingBuffer sendRing;
  uint32_t sendLength;            // framed message being sent, sent as its 4-byte header
  int32_t sendHeaderLeft;         // header bytes still unsent
  uint8_t peerAddress[4];
  int32_t peerPort;
  int32_t handle;
  SocketRecord* prev;
  SocketRecord* next;
  int32_t acceptNew;              // accepted and not yet handed out by GetNewAcceptNetWork
  uint32_t acceptOrder;
  int32_t recvWanted;             // framed: the longest read the program asked for and did not get
};

struct NetworkState {
  int32_t started;
  plat::WindowId window;
  int32_t windowClosed;
  SocketRecord* listenRecord;
  SocketRecord* table[NETWORK_TABLE_SIZE];
  int32_t count;
  int32_t nextCheck;
  int32_t framingOff;
  int32_t autoCloseOff;
  SocketRecord* first;            // all records, newest first
  int32_t recvGuard;
  int32_t sendGuard;
  uint32_t acceptCounter;
};
extern NetworkState g_Network;

int RingBufferAppend(RingBuffer* ring, const void* data, int n);
int RingBufferRead(RingBuffer* ring, void* destination, int n, int keep);

SocketRecord* NetWorkCheckHandle(int handle);     // the record, or null
int AcceptNetWork();
int GetNetWorkAcceptState(int handle);
int NetWorkRecv(int handle, void* buffer, int n);
int NetWorkRecvToPeek(int handle, void* buffer, int n);
int NetWorkSend(int handle, const void* data, int n);
int GetNetWorkDataLength(int handle);
int CloseNetWorkHandle(int handle);
int RecvSocket(int handle);
int SendSocket(int handle);
int HandleSocketMessage(uint32_t eventWord, plat::NetSocket socket);
int PumpNetworkWindow(int sweep);
int NetworkTerminate();
int LogNetworkError(const char* text);

// Starting the layer, connecting and listening.
int NetworkStartUp();                             // 0, or -1 (also when already started: 0)
int ConnectNetWorkMode(const char* host, int port, int framing);   // handle, or -1
int ConnectNetWork(const char* host, int port);
// Listens on the address (null: every interface); the bound port (port 0 picks one), or -1.
int PreparationListenNetWork(const char* address, int port);
int StopListenNetWork();
int GetNewAcceptNetWork();                        // handle, or -1 when none is new
int SetNetWorkFramingOffFlag(int flag);
int SetNetWorkAutoCloseOffFlag(int flag);

// HTTP transfers.
constexpr int HTTP_TABLE_SIZE = 100;
enum : int { HTTP_GET = 0, HTTP_POST = 1, HTTP_HEAD = 2 };
enum : int { HTTP_OUT_FILE = 0, HTTP_OUT_MEMORY = 1 };

struct HttpTransfer {
  int32_t kind;
  int32_t unused1;
  int32_t step;
  int32_t unused3;
  int32_t status;                 // -1 running, 0 done, 2 failed
  int32_t result;                 // -1, or why it failed: 0 status, 1 404, 2 memory, 3 closed
  int32_t network;
  int32_t outputKind;
  void* outputFile;               // plat::File*
  void** memoryBody;
  int32_t contentLength;
  int32_t received;
  char host[128];
  char path[256];
  void* postBody;
  int32_t postLength;
  int32_t port;
};

struct HttpState {
  HttpTransfer* table[HTTP_TABLE_SIZE];
  int32_t count;
};
extern HttpState g_Http;

int HttpProcessAll();
int HttpTransferProcess(int slot);
int HttpTransferFinish(int slot, int status, int result);
int HttpTransferDelete(int slot);
int HttpTransferDeleteAll();
// line: 256 bytes. 0, -1 when no whole line has arrived, -2 when 255 bytes came without a line end.
int HttpReadLine(int handle, char* line);
int HttpGetStep(int slot);
int HttpPostStep(int slot);
int HttpHeadStep(int slot);
int HttpTransferStart(int kind, const char* host, int port, const char* path, const void* postBody,
                      int postLength, const char* fileName, void** memoryBody);   // slot, or -1
int HttpGetTransferState(int slot, int* status, int* result, int* contentLength, int* received);
int HttpMemoryBodyFree(void* body);
