#pragma once

#include <QWidget>

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
    // Covers `screenFrame` (the screen's whole geometry) and shows the window there.
    void cover(QScreen* screen);

    PatternView* view() const { return view_; }

  private:
    Role role_;
    PatternView* view_ = nullptr;
};

}  // namespace lumenor
