// TCP sockets over IPv4 with the engine's error numbers and its asynchronous notices. A socket is
// an opaque id that is not reused soon after it is closed, so a late notice never reaches a newer
// socket. A socket given a notice window is non-blocking; its notices are looked for only when
// NetPollNotices runs, which posts them to the window as (message, wParam socket, lParam event
// in the low word and an error number in the high word). Each notice kind is posted once and
// armed again by the call that consumes it: NET_FD_READ by a receive, NET_FD_ACCEPT by an accept,
// NET_FD_WRITE by a send that would have blocked. NET_FD_CLOSE comes once, when the peer has
// closed or the connection failed, after the NET_FD_READ of any bytes still waiting; those bytes
// stay readable. The calling thread's last error keeps Winsock numbering (10000 upward).
#pragma once
#include <cstdint>
#include "platform/window.h"

namespace plat {

using NetSocket = intptr_t;
constexpr NetSocket kInvalidNetSocket = -1;

enum : int {
  NET_FD_READ = 1, NET_FD_WRITE = 2, NET_FD_OOB = 4, NET_FD_ACCEPT = 8, NET_FD_CONNECT = 16,
  NET_FD_CLOSE = 32,
};
enum : int { NET_MSG_PEEK = 2 };

enum : int {
  WSAEINTR = 10004, WSAEBADF = 10009, WSAEACCES = 10013, WSAEFAULT = 10014, WSAEINVAL = 10022,
  WSAEMFILE = 10024, WSAEWOULDBLOCK = 10035, WSAEINPROGRESS = 10036, WSAEALREADY = 10037,
  WSAENOTSOCK = 10038, WSAEMSGSIZE = 10040, WSAEADDRINUSE = 10048, WSAEADDRNOTAVAIL = 10049,
  WSAENETDOWN = 10050, WSAENETUNREACH = 10051, WSAENETRESET = 10052, WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054, WSAENOBUFS = 10055, WSAEISCONN = 10056, WSAENOTCONN = 10057,
  WSAESHUTDOWN = 10058, WSAETIMEDOUT = 10060, WSAECONNREFUSED = 10061, WSAEHOSTUNREACH = 10065,
  WSANOTINITIALISED = 10093, WSAHOST_NOT_FOUND = 11001,
};

int NetStartup();                          // 0; nests, each call needs its NetCleanup
int NetCleanup();                          // 0; -1 (WSANOTINITIALISED) when not started
int NetGetLastError();                     // the calling thread's last error
int NetErrorFromErrno(int err);            // a system error number in Winsock numbering

// Host name or dotted address to an IPv4 address in network byte order: 0, or -1.
int NetResolveIPv4(const char* host, uint8_t out[4]);

NetSocket NetSocketTcp();                  // a blocking TCP socket, or kInvalidNetSocket
// Connects a blocking socket, giving up after timeoutMs: 0, or -1 with the last error set.
int NetConnect(NetSocket s, const uint8_t ipv4[4], int port, int timeoutMs);
int NetBindListen(NetSocket s, const uint8_t ipv4[4], int port, int backlog);  // 0 / -1
int NetLocalPort(NetSocket s);             // the bound port, or -1
// A pending connection, or kInvalidNetSocket (WSAEWOULDBLOCK when none waits). The peer's
// address and port are stored where the pointers are not null.
NetSocket NetAccept(NetSocket listener, uint8_t peer[4], int* peerPort);
int NetRecv(NetSocket s, void* buffer, int n, int flags);   // bytes, 0 at the peer's close, -1
int NetSend(NetSocket s, const void* data, int n, int flags);   // bytes, -1
int NetBytesReadable(NetSocket s);         // bytes waiting to be received, or -1
int NetCloseSocket(NetSocket s);           // 0 / -1; a notice already posted names a dead id
// Notices for the events of the mask go to the window as message; events 0 stops them.
int NetAsyncSelect(NetSocket s, WindowId window, uint32_t message, int events);
int NetPollNotices();                      // posts every notice due now; the number posted

}  // namespace plat
