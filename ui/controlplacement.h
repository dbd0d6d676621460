#pragma once
#include <QObject>
#include <QSettings>
#include <memory>

class QWidget;

// Window sizes and positions, and the grids' column layouts, in
// "placement.ini" beside the program. A path such as "InputEditForm\" is the
// ini group "InputEditForm".
class TControlPlacement : public QObject {
    Q_OBJECT
public:
    explicit TControlPlacement(const QString& iniFile, QObject* parent = nullptr);
    ~TControlPlacement() override;

    QSettings& PlacementStorage() { return *m_storage; }
    static QString GroupOf(const QString& path);

    void SaveWindow(QWidget* window, const QString& path);
    // False when nothing was stored for the path yet.
    bool RestoreWindow(QWidget* window, const QString& path);
    // The window takes its stored size and position when first shown and
    // stores them each time it is closed (hidden, not minimised).
    void Remember(QWidget* window, const QString& path);
    // Reads a boolean the way the old files wrote them: TRUE/YES/Y, FALSE/NO/N.
    static bool ToBool(const QVariant& v, bool def);

private:
    std::unique_ptr<QSettings> m_storage;
};
