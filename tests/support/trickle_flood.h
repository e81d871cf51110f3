#pragma once

#include <atomic>
#include <thread>

namespace lumenor::test {

// Connections from another loopback address to 127.0.0.1:port, as a second machine would
// open them, that each send one byte of garbage every `everyMs` and never finish a request.
// Each one the server closes is opened again after `reopenMs`. Runs on a thread of its own
// until destroyed.
class TrickleFlood {
  public:
    TrickleFlood(unsigned short port, int connections, int everyMs = 100, int reopenMs = 50,
                 const char* source = "127.0.0.2");
    ~TrickleFlood();
    TrickleFlood(const TrickleFlood&) = delete;
    TrickleFlood& operator=(const TrickleFlood&) = delete;

    // Connections the server closed, so far.
    int closedByServer() const { return closed_.load(); }

  private:
    void run(unsigned short port, int connections, int everyMs, int reopenMs, const char* source);

    std::atomic<bool> stop_{false};
    std::atomic<int> closed_{0};
    std::thread thread_;
};

}  // namespace lumenor::test
