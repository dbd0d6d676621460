#pragma once
#include "listframe.h"

#include <QWidget>

class TControlPlacement;

// The window around one list frame. The entry points forward to the frame;
// the window keeps its size, position and the grids' column layouts under
// the kind's placement path.
class TListForm : public QWidget {
    Q_OBJECT
public:
    TListFrame* Frame() const { return m_frame; }

    void Prepare();
    void ListAll() { m_frame->ListAll(); }
    void ListUnaudited() { m_frame->ListUnaudited(); }
    void StartSearch() { m_frame->StartSearch(); }
    void RefreshList() { m_frame->RefreshList(); }
    void FilterByProduct(qint32 productId) { m_frame->FilterByProduct(productId); }
    void ShowLinesPage() { m_frame->ShowLinesPage(); }

protected:
    TListForm(TListFrame* frame, const QString& name, const QString& caption, TControlPlacement& placement,
              QWidget* parent);
    void hideEvent(QHideEvent* e) override;

private:
    QString group(const char* grid) const;
    TListFrame* m_frame;
    TControlPlacement& m_placement;
};
