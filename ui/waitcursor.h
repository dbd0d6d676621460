#pragma once

#include <QGuiApplication>

// Shows the busy cursor while a blocking step runs (reading a large file,
// a long statement), so the user sees the window is working, not hung.
// The cursor is restored however the step ends, exceptions included.
class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
