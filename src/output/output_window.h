#pragma once

#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <functional>

namespace lumenor {

class PatternView;

// A borderless window that covers one display above everything else and holds a pattern
// view. The output window takes the keyboard; mirror windows never do.
class OutputWindow : public QWidget {
  public:
    enum class Role { output, mirror };
    explicit OutputWindow(Role role);

    // Makes `view` the whole content (it is reparented, not owned for good: detach() gives it
    // back before the window goes).
    void attach(PatternView* view);
    void detach();
    // Covers the screen's whole geometry, shows the window there and keeps covering it as
    // the screen's size changes.
    void cover(QScreen* screen);

    // Called after the window followed a change of its screen's size.
    std::function<void()> onResized;
    // Called, from the event loop, when the window manager asks the window to close (Alt+F4):
    // the window stays until its owner takes it away. Unset, the window closes.
    std::function<void()> onCloseRequested;

    PatternView* view() const { return view_; }

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    PatternView* view_ = nullptr;
    QPointer<QScreen> covered_;
    QMetaObject::Connection followGeometry_;
    int fullScreenRequestsLeft_ = 0;
    bool watchingScreen_ = false;
};

}  // namespace lumenor
