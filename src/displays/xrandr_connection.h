#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// Xlib types, kept out of the headers of everything that includes this one.
struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): the name is Xlib's

namespace lumenor {

// A connection of our own to the X server, with RandR 1.2 or later checked. Protocol errors
// are recorded instead of ending the process.
class XrandrConnection {
  public:
    // Opens `displayName` (null: $DISPLAY). On failure returns null and says why in `error`.
    static std::unique_ptr<XrandrConnection> open(const char* displayName, QString* error);
    ~XrandrConnection();
    XrandrConnection(const XrandrConnection&) = delete;
    XrandrConnection& operator=(const XrandrConnection&) = delete;

    _XDisplay* display() const { return display_; }
    unsigned long root() const { return root_; }
    int eventBase() const { return eventBase_; }
    int fd() const;
    // The server is Xwayland (see detectXwayland), as found once when the connection opened.
    bool isXwayland() const { return xwayland_; }
    // The display name as Xlib resolved it (":1").
    QString name() const;

    // Flushes and waits for every request so far; true when none of them raised an error
    // since the last call.
    bool syncWithoutErrors();

    // The bytes of an 8-bit output property (such as EDID), or none.
    std::optional<QByteArray> outputProperty(unsigned long output, const char* name);

  private:
    XrandrConnection(_XDisplay* display, unsigned long root, int eventBase, bool xwayland);

    _XDisplay* display_;
    unsigned long root_;
    int eventBase_;
    bool xwayland_;
};

// The name of the X display a connection would open, for messages.
QString xDisplayNameForMessages(const char* displayName);

}  // namespace lumenor
