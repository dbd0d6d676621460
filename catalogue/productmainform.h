#pragma once
#include <QWidget>

class TProductMainFrame;

// "商品设置": catalogue upkeep. Double-clicking a product edits it.
class TProductMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TProductMainForm(QWidget* parent = nullptr);

    // The factory's one window of this kind, prepared on first use.
    static TProductMainForm* GetProductMainForm();

    TProductMainFrame* ProductMainFrame1;
    void Prepare();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void gridDoubleClick();
};
