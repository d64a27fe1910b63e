// A modelling view shown at a benchmark's size, once its OpenGL window is there.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include "views/talvor_view.h"

namespace kelto {

// False when no OpenGL window came within ten seconds (no display: run under xvfb-run).
inline bool ShowViewAndWait(CTalvorView& view, int width, int height) {
    view.resize(width, height);
    view.show();
    QElapsedTimer waited;
    waited.start();
    while ((!view.isValid() || view.Renderer().Width() != width) && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return view.isValid() && view.HasOpenGL();
}

}  // namespace kelto
