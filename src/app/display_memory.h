#pragma once

#include <QSettings>

#include "app/app_state.h"

namespace lumenor {

// The chosen output display and the display whose modes are listed, kept across launches by
// the display's name, as profiles keep it: an id is only good for one run of the server.
// Without preferences (the command line) nothing is kept.
class DisplayMemory {
  public:
    explicit DisplayMemory(QSettings* preferences) : preferences_(preferences) {}

    // Keeps the names of the state's chosen displays that are attached.
    void remember(const AppState& state);
    // Chooses the remembered displays where nothing was chosen yet and they are attached.
    void recall(AppState& state) const;

  private:
    QSettings* preferences_;
};

}  // namespace lumenor
