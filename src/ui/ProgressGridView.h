#pragma once

#include <QTableView>

namespace kiv {

class ProgressGridModel;

// The progress grid on screen: the number, name and row-count columns keep their widths, the
// Status column takes what is left of the grid's width, so it follows the window's width.
// Header clicks and cell clicks are reported to the window, which decides what they do.
class ProgressGridView : public QTableView {
    Q_OBJECT
public:
    explicit ProgressGridView(QWidget* parent = nullptr);

    ProgressGridModel& GridModel() const { return *mModel; }
    // Width in pixels of a width the grid gives in twips.
    int PixelsOf(int twips) const;

Q_SIGNALS:
    void HeaderClicked(int column);
    // row and column of the grid (row 1 is the first data row).
    void CellClicked(int row, int column);
    void CellDoubleClicked(int row, int column);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyFixedColumnWidths();
    void applyStatusColumnWidth();

    ProgressGridModel* mModel;
};

}  // namespace kiv
