#pragma once

#include <QString>

#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_sample_spec;

namespace lumenor {

// A ready connection to a PulseAudio server, served by a thread of its own. Calls on the
// context or its streams from other threads are made under Lock; callbacks run on the
// connection's thread with the lock held. Streams are closed before the context goes.
class PulseContext {
  public:
    // `server` null for the user's own server; none, with the reason in `error`, when it
    // does not answer. Never starts a server.
    static std::unique_ptr<PulseContext> connect(const char* server, const char* name,
                                                 QString* error);
    ~PulseContext();
    PulseContext(const PulseContext&) = delete;
    PulseContext& operator=(const PulseContext&) = delete;

    class Lock {
      public:
        explicit Lock(const PulseContext& pulse);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        pa_threaded_mainloop* loop_;
    };

    // The server's last error, as text.
    QString lastError() const;

    // Under the lock: a stream whose state changes wake waitUntilReady.
    pa_stream* newStream(const char* name, const pa_sample_spec& spec);
    // Under the lock, after the stream is connected: false when it or the connection fails.
    bool waitUntilReady(pa_stream* stream);
    // Disconnects and releases a stream, whose callbacks are not called again; takes the
    // lock itself.
    void closeStream(pa_stream* stream);

  private:
    PulseContext() = default;
    bool waitUntilConnected();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

}  // namespace lumenor
