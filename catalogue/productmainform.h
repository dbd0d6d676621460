#pragma once
#include <QWidget>

class TControlPlacement;
class TProductMainFrame;
class TProductManagerDM;
class TProductEditForm;
struct TProductFrameDeps;

// "商品设置": catalogue upkeep. Double-clicking a product edits it.
class TProductMainForm : public QWidget {
    Q_OBJECT
public:
    TProductMainForm(const TProductFrameDeps& deps, TControlPlacement& placement, QWidget* parent = nullptr);

    TProductMainFrame* ProductMainFrame1;
    void Prepare();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void gridDoubleClick();
    TProductManagerDM& m_products;
    TProductEditForm& m_editor;
};
