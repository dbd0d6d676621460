#pragma once
#include <QColor>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

// One trace per top-level window: the control last highlighted in it.
struct TFormFocusTrace {
    QPointer<QWidget> WindowHandle;
    QPointer<QWidget> LastControl;
};

// Colours the focused text box of the active window pale blue and returns
// the previous one to white. Only text boxes, drop-downs and memos are
// coloured; buttons, grids, check boxes and labels never are.
class TFocusHandler : public QObject {
    Q_OBJECT
public:
    explicit TFocusHandler(QObject* parent = nullptr);
    // 0xFFEEEE with blue in the high byte: red 0xEE, green 0xEE, blue 0xFF.
    QColor HighlightColor = QColor(0xEE, 0xEE, 0xFF);
    const std::vector<TFormFocusTrace>& Traces() const { return m_traces; }

    static void PaintControl(QWidget* control, const QColor& color);
    static bool IsPaintable(QWidget* control);
    TFormFocusTrace* FindTrace(QWidget* window);

public slots:
    void ActiveControlChanged();

private:
    std::vector<TFormFocusTrace> m_traces;
};
