#pragma once
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

// The form factory: every document, list, stock, catalogue, partner and
// statistics window is made once on first use, prepared once, and kept
// until the program ends; closing one only hides it.
class TResourceFactory {
public:
    // The window in slot `name`; made by `create` and prepared by `prepare`
    // on the first call, the same window on every later one.
    template <class T>
    static T* Get(const QString& name, std::function<T*()> create, std::function<void(T*)> prepare = {}) {
        QWidget*& slot = windowSlots()[name];
        if (!slot) {
            T* w = create();
            ApplySkin(w);
            w->setAttribute(Qt::WA_DeleteOnClose, false);
            if (prepare) prepare(w);
            slot = w;
        }
        return static_cast<T*>(slot);
    }
    static bool Has(const QString& name) { return windowSlots().value(name) != nullptr; }
    // Shows a window without making it modal and brings it to the front.
    static void ShowWindow(QWidget* w);
    // The common look of windows made after start-up. The program uses the
    // platform's own style, so there is nothing to do yet.
    static void ApplySkin(QWidget* w);
    // Ends the program's windows (tests, and the end of the program).
    static void Clear();

private:
    static QHash<QString, QWidget*>& windowSlots();
};
