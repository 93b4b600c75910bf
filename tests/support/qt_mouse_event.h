// The Qt mouse event a seam mouse message stands for, shared by the 2D and the GL test drivers.
#pragma once

#include <QMouseEvent>
#include <memory>

#include "mw31/window.h"

namespace mw31::qt_test {

// A press, release or move at `at` (client) and `global` (screen); null for other kinds.
std::unique_ptr<QMouseEvent> mouse_event(MessageKind kind, MouseButton button, const QPointF& at,
                                         const QPointF& global);

}  // namespace mw31::qt_test
