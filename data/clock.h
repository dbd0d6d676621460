#pragma once
#include <QDateTime>

// The program's clock. Tests fix it so that "today" and "now" are known,
// including the moment just before midnight.
class TClock {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    static void setFixed(const QDateTime& moment);
    static void reset();
    static bool isFixed();
};
