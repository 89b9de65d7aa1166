// HTTP transfers against a scripted server on 127.0.0.1: the exact requests, 200 and 404, bodies
// with and without a length, drip-fed and truncated bodies, and answers that break off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/base/memory.h"
#include "engine/base/network.h"
#include "engine/base/startup_window.h"
#include "engine/base/str_helpers.h"
#include "engine/engine.h"
#include "net_test_util.h"
#include "platform/window.h"
#include "test_folder.h"

namespace {

std::string Ok(const std::string& body, bool length = true) {
  std::string h = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n";
  if (length) h += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return h + "\r\n" + body;
}

class HttpTransfers : public ::testing::Test {
protected:
  void SetUp() override {
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    g_base.startup.noWindow = 1;
    folder_.Enter();
    // Blocks other tests of this process still hold; what a test leaves is measured from here.
    GetAllocationTotals(nullptr, &baselineBlocks_);
  }
  int baselineBlocks_ = 0;
  void TearDown() override {
    HttpTransferDeleteAll();
    NetworkTerminate();
    folder_.Leave();
  }
  // Runs message processing until the transfer leaves -1; false when it never did.
  static bool Run(int slot) {
    return Within(5000, [&] {
      ProcessMessage();
      int status = -1;
      HttpGetTransferState(slot, &status, nullptr, nullptr, nullptr);
      return status != -1;
    });
  }
  static void State(int slot, int* status, int* result, int* length = nullptr, int* received = nullptr) {
    ASSERT_EQ(HttpGetTransferState(slot, status, result, length, received), 0);
  }
  TestFolder folder_;
};

TEST_F(HttpTransfers, GetIntoMemoryEndsAtTheStatedLengthWhileTheConnectionStaysOpen) {
  TestHttpServer server({{{Ok("0123456789")}, 0, true}});
  void* body = reinterpret_cast<void*>(1);
  int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/data/a.txt", nullptr, 0, nullptr, &body);
  ASSERT_GE(slot, 0);
  EXPECT_EQ(body, nullptr);
  ASSERT_TRUE(Run(slot));
  int status, result, length, received;
  State(slot, &status, &result, &length, &received);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(received, 10);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(body), 10), "0123456789");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET /data/a.txt HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                      "\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(HttpTransferDelete(slot), 0);
  EXPECT_NE(body, nullptr);   // a finished body stays with the caller
  HttpMemoryBodyFree(body);
  EXPECT_EQ(HttpTransferDelete(slot), -1);
}

TEST_F(HttpTransfers, NotFoundAndOtherStatusesFailAndLeaveNoBody) {
  TestHttpServer server({{{"HTTP/1.0 404 Not Found\r\nContent-Length: 3\r\n\r\nno!"}},
                         {{"HTTP/1.1 500 Oops\r\n\r\n"}},
                         {{"garbage-without-blank\n"}}});
  int expect[3] = {1, 0, 0};
  for (int i = 0; i < 3; ++i) {
    void* body = nullptr;
    int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/x", nullptr, 0, nullptr, &body);
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(Run(slot));
    int status, result;
    State(slot, &status, &result);
    EXPECT_EQ(status, 2) << i;
    EXPECT_EQ(result, expect[i]) << i;
    EXPECT_EQ(body, nullptr);
    HttpTransferDelete(slot);
  }
  int blocks = 0;
  GetAllocationTotals(nullptr, &blocks);
  NetworkTerminate();
  GetAllocationTotals(nullptr, &blocks);
  EXPECT_EQ(blocks, baselineBlocks_);
}

TEST_F(HttpTransfers, GetIntoAFileWithoutALengthEndsWhenTheServerCloses) {
  // Drip-fed: the headers and the body come in small pieces with pauses between them.
  std::string body;
  for (int i = 0; i < 3000; ++i) body += static_cast<char>('a' + i % 26);
  std::string all = Ok(body, false);
  std::vector<std::string> pieces;
  for (size_t at = 0; at < all.size(); at += 700) pieces.push_back(all.substr(at, 700));
  TestHttpServer server({{pieces, 15, false}});
  int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/f", nullptr, 0, "out.bin", nullptr);
  ASSERT_GE(slot, 0);
  ASSERT_TRUE(Run(slot));
  int status, result, length, received;
  State(slot, &status, &result, &length, &received);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(length, -1);
  EXPECT_EQ(received, 3000);
  EXPECT_EQ(folder_.Read("out.bin"), body);
}

TEST_F(HttpTransfers, AFileBodyTakesNoMoreThanTheStatedLength) {
  TestHttpServer server({{{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nABCDextra"}, 0, true}});
  int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, "four.bin", nullptr);
  ASSERT_TRUE(Run(slot));
  int status, result;
  State(slot, &status, &result);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(folder_.Read("four.bin"), "ABCD");
}

TEST_F(HttpTransfers, TruncatedBodiesAndMissingLengthsInMemoryFail) {
  TestHttpServer server({{{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n", std::string(40, 'q')}},
                         {{Ok("no length here", false)}},
                         {{"HTTP/1.0 200 OK\r\nContent-Length: 5000000000\r\n\r\n"}}});
  int expect[3] = {3, 2, 2};
  for (int i = 0; i < 3; ++i) {
    void* body = nullptr;
    int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/t", nullptr, 0, nullptr, &body);
    ASSERT_TRUE(Run(slot));
    int status, result;
    State(slot, &status, &result);
    EXPECT_EQ(status, 2) << i;
    EXPECT_EQ(result, expect[i]) << i;
    EXPECT_EQ(body, nullptr) << i;
    HttpTransferDelete(slot);
  }
  NetworkTerminate();
  int blocks = -1;
  GetAllocationTotals(nullptr, &blocks);
  EXPECT_EQ(blocks, baselineBlocks_);
}

TEST_F(HttpTransfers, PostSendsItsExactRequestAndBody) {
  TestHttpServer server({{{Ok("accepted")}}});
  void* body = nullptr;
  int slot = HttpTransferStart(HTTP_POST, "127.0.0.1", server.port(), "/submit", "a=1&b", 5, nullptr, &body);
  ASSERT_GE(slot, 0);
  ASSERT_TRUE(Run(slot));
  int status, result;
  State(slot, &status, &result);
  EXPECT_EQ(status, 0);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(body), 8), "accepted");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "POST /submit HTTP/1.0\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\nContent-Length: 5\n\na=1&b");
  HttpTransferDelete(slot);
  HttpMemoryBodyFree(body);
}

TEST_F(HttpTransfers, HeadLearnsTheLengthOrFailsWithoutOne) {
  TestHttpServer server({{{"HTTP/1.0 200 OK\r\nServer: t\r\nContent-Length: 1234\r\n\r\n"}, 0, true},
                         {{"HTTP/1.0 200 OK\r\nServer: t\r\n\r\n"}},
                         {{"HTTP/1.0 404 Not Found\r\n\r\n"}}});
  int slot = HttpTransferStart(HTTP_HEAD, "127.0.0.1", server.port(), "/h", nullptr, 0, nullptr, nullptr);
  ASSERT_TRUE(Run(slot));
  int status, result, length;
  State(slot, &status, &result, &length);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(length, 1234);
  EXPECT_EQ(server.Requests()[0], "HEAD /h HTTP/1.0\n\n");
  HttpTransferDelete(slot);

  slot = HttpTransferStart(HTTP_HEAD, "127.0.0.1", server.port(), "/h", nullptr, 0, nullptr, nullptr);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result, &length);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(result, 3);
  HttpTransferDelete(slot);

  slot = HttpTransferStart(HTTP_HEAD, "127.0.0.1", server.port(), "/h", nullptr, 0, nullptr, nullptr);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result, &length);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(result, 1);
}

TEST_F(HttpTransfers, BrokenAnswersEndInsteadOfHanging) {
  TestHttpServer server({
      {{"HTTP/1.0 200 OK\r\nContent-Le"}},                                  // closed inside the headers
      {{"HTTP/1.0 200 OK\r\nX-Long: " + std::string(400, 'L') + "\r\n\r\nbody"}},   // a line too long
      {{"HTTP/1.0 200 OK\r\nContent-Length:7\r\n\r\nbody"}},                // no blank: length unknown
  });
  int status, result, length;
  int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, "a.bin", nullptr);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(result, 3);
  HttpTransferDelete(slot);

  slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, "b.bin", nullptr);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(result, 0);
  HttpTransferDelete(slot);

  slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, "c.bin", nullptr);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result, &length);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(length, -1);
  EXPECT_EQ(folder_.Read("c.bin"), "body");
}

// HTTP/1.0 has no chunked bodies: an answer in chunks fails instead of being stored with its chunk
// markers as a success, whether the body goes to a file or to memory. A body that comes without
// pause is taken a bounded piece per round.
TEST_F(HttpTransfers, ChunkedAnswersFailAndLongBodiesComeInBoundedPieces) {
  const std::string chunked = "HTTP/1.0 200 OK\r\ntransfer-encoding: gzip, Chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n";
  TestHttpServer server({{{chunked}}, {{chunked}}, {{Ok(std::string(3 << 20, 'b'), false)}}});
  int status, result, received;
  int slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, "chunked.bin", nullptr);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(result, 0);
  HttpTransferDelete(slot);
  void* body = nullptr;
  slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, nullptr, &body);
  ASSERT_TRUE(Run(slot));
  State(slot, &status, &result);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(body, nullptr);
  HttpTransferDelete(slot);

  slot = HttpTransferStart(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, "long.bin", nullptr);
  int rounds = 0;
  ASSERT_TRUE(Within(10000, [&] {
    ProcessMessage();
    ++rounds;
    HttpGetTransferState(slot, &status, nullptr, nullptr, &received);
    EXPECT_LE(received, rounds << 20);
    return status != -1;
  }));
  State(slot, &status, &result, nullptr, &received);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(received, 3 << 20);
  EXPECT_GE(rounds, 3);
}

TEST_F(HttpTransfers, StartRefusesBadArgumentsAndShutDownDeletesEverything) {
  void* body = nullptr;
  EXPECT_EQ(HttpTransferStart(3, "127.0.0.1", 80, "/", nullptr, 0, nullptr, &body), -1);
  EXPECT_EQ(HttpTransferStart(HTTP_GET, "127.0.0.1", 0, "/", nullptr, 0, nullptr, &body), -1);
  EXPECT_EQ(HttpTransferStart(HTTP_GET, "127.0.0.1", 80, "/", nullptr, 0, nullptr, nullptr), -1);
  EXPECT_EQ(HttpTransferStart(HTTP_POST, "127.0.0.1", 80, "/", nullptr, 4, nullptr, &body), -1);
  EXPECT_EQ(HttpTransferStart(HTTP_GET, std::string(200, 'h').c_str(), 80, "/", nullptr, 0, nullptr, &body), -1);
  int probe = 0;
  int fd = PlainListen(&probe);
  close(fd);
  EXPECT_EQ(HttpTransferStart(HTTP_GET, "127.0.0.1", probe, "/", nullptr, 0, nullptr, &body), -1);

  TestHttpServer server({{{}, 0, true}, {{}, 0, true}});
  int a = HttpTransferStartLocked(HTTP_GET, "127.0.0.1", server.port(), "/", nullptr, 0, nullptr, &body);
  int b = HttpTransferStartLocked(HTTP_HEAD, "127.0.0.1", server.port(), "/", nullptr, 0, nullptr, nullptr);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_NE(a, b);
  ProcessMessageLocked();
  int status = 0;
  EXPECT_EQ(HttpGetTransferStateLocked(a, &status, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(HttpTransferDeleteAll(), 0);
  EXPECT_EQ(g_Http.count, 0);
  EXPECT_EQ(HttpGetTransferStateLocked(a, &status, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(HttpTransferDeleteLocked(b), -1);
}

TEST(HttpHelpers, ParseIntAfterBlank) {
  EXPECT_EQ(ParseIntAfterBlank("HTTP/1.0 404 Not Found"), 404);
  EXPECT_EQ(ParseIntAfterBlank("Content-Length: 10"), 10);
  EXPECT_EQ(ParseIntAfterBlank("Content-Length:10"), -1);
  EXPECT_EQ(ParseIntAfterBlank("x "), -1);
}

}  // namespace
