#include "guard.h"

#include "dberror.h"

#include <QDebug>
#include <exception>

namespace Guard {
namespace {
std::function<void(const QString&)>& reporter() {
    static std::function<void(const QString&)> r;
    return r;
}
} // namespace

QString CurrentExceptionText() {
    try {
        throw;
    } catch (const DbError& e) {
        return e.text();
    } catch (const AppError& e) {
        return e.text();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("未知错误.");
    }
}

void SetReporter(std::function<void(const QString&)> r) { reporter() = std::move(r); }

void Report(const QString& text) {
    if (reporter()) {
        // A reporter that throws itself must not take the program down.
        try {
            reporter()(text);
            return;
        } catch (...) {
        }
    }
    qWarning().noquote() << text;
}

} // namespace Guard
