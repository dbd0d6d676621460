#include "clock.h"

namespace {
QDateTime g_fixed;
}

QDateTime TClock::now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }
void TClock::setFixed(const QDateTime& moment) { g_fixed = moment; }
void TClock::reset() { g_fixed = QDateTime(); }
bool TClock::isFixed() { return g_fixed.isValid(); }
