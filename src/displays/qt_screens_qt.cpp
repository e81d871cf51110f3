#include "displays/qt_screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace lumenor {

QScreen* qtScreenNamed(const QString& connector) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return nullptr;
    }
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->name() == connector) {
            return s;
        }
    }
    return nullptr;
}

}  // namespace lumenor
