#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace lumenor {

// Cuts the byte stream of a calibration program into its messages: each a 4-byte big-endian
// signed length followed by that many bytes. Bytes may arrive in any pieces.
class ResolveFrameReader {
  public:
    static constexpr std::int64_t kMaxLength = 1 << 20;

    struct Event {
        enum class Kind {
            message,   // `body` holds one whole message
            end,       // a length of zero or less: the program ends the session
            oversized  // a length over kMaxLength: the stream can no longer be trusted
        };
        Kind kind;
        QByteArray body;
        std::int64_t length = 0;
    };

    // Takes the next bytes and returns the events they complete, in order. After an end or
    // an oversized length the reader is finished and ignores whatever follows.
    std::vector<Event> feed(QByteArrayView bytes);

    bool finished() const { return finished_; }
    // Bytes of a message not yet complete (what a close would cut off).
    qsizetype pending() const { return buffer_.size(); }

  private:
    QByteArray buffer_;
    bool finished_ = false;
};

}  // namespace lumenor
