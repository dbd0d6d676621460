#pragma once
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

// The form factory: every document, list, stock, catalogue, partner and
// statistics window is made once on first use, prepared once, and kept
// until the program ends; closing one only hides it. Start-up owns the one
// factory and hands it to whoever opens such windows.
class TResourceFactory {
public:
    TResourceFactory() = default;
    ~TResourceFactory() { Clear(); }
    TResourceFactory(const TResourceFactory&) = delete;
    TResourceFactory& operator=(const TResourceFactory&) = delete;

    // The window in slot `name`; made by `create` and prepared by `prepare`
    // on the first call, the same window on every later one.
    template <class T>
    T* Get(const QString& name, const std::function<T*()>& create, const std::function<void(T*)>& prepare = {}) {
        QPointer<QWidget>& slot = m_slots[name];
        if (!slot) {
            T* w = create();
            ApplySkin(w);
            w->setAttribute(Qt::WA_DeleteOnClose, false);
            slot = w;
            if (prepare) prepare(w);
        }
        return static_cast<T*>(slot.data());
    }
    bool Has(const QString& name) const { return m_slots.value(name) != nullptr; }
    // Removes a window from its slot and hands it to the caller; null when
    // none was made.
    QWidget* Take(const QString& name) { return m_slots.take(name).data(); }
    // Every window made so far, for closing them all at the end.
    QList<QWidget*> Windows() const;
    // Shows a window without making it modal and brings it to the front.
    static void ShowWindow(QWidget* w);
    // The common look of windows made after start-up. The program uses the
    // platform's own style, so there is nothing to do yet.
    static void ApplySkin(QWidget* w);
    // Ends the windows made so far.
    void Clear();

private:
    QHash<QString, QPointer<QWidget>> m_slots;
};
