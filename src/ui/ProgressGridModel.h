#pragma once

#include <QAbstractTableModel>

#include "base/Event.h"
#include "driver/ProgressGrid.h"

namespace kiv {

// Presents the progress grid to a table view: the grid's row 0 is the header, its further
// rows are the data rows. Follows every change of the grid as it happens, so the view is never
// behind the run.
class ProgressGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ProgressGridModel(QObject* parent = nullptr);

    // The grid shown; none shows nothing.
    void SetGrid(ProgressGrid* grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static constexpr int kRowsColumn = 2;

    QVariant statusColour(int row) const;
    static QString rowCount(const std::string& text);
    static QVariant cellAlignment(int column);
    static QVariant headerAlignment(int column);
    void gridChanged();

    const ProgressGrid* mGrid = nullptr;
    Subscription mGridSubscription;
    int miShownRows = 0;
};

}  // namespace kiv
