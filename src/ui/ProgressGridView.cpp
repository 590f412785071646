#include "ui/ProgressGridView.h"

#include <QHeaderView>
#include <algorithm>

#include "driver/ProgressGrid.h"
#include "ui/ProgressGridModel.h"

namespace kiv {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kRowPadding = 6;

}  // namespace

ProgressGridView::ProgressGridView(QWidget* parent)
    : QTableView(parent), mModel(new ProgressGridModel(this)) {
    setModel(mModel);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    applyFixedColumnWidths();
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &ProgressGridView::HeaderClicked);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        Q_EMIT CellClicked(index.row() + 1, index.column());
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        Q_EMIT CellDoubleClicked(index.row() + 1, index.column());
    });
}

int ProgressGridView::PixelsOf(int twips) const {
    return twips * logicalDpiX() / kTwipsPerInch;
}

void ProgressGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    applyStatusColumnWidth();
}

void ProgressGridView::applyFixedColumnWidths() {
    for (int column = 0; column < static_cast<int>(ProgressGrid::kColumnWidths.size()); ++column) {
        setColumnWidth(column,
                       PixelsOf(ProgressGrid::kColumnWidths[static_cast<std::size_t>(column)]));
    }
}

void ProgressGridView::applyStatusColumnWidth() {
    int remaining = width() - PixelsOf(ProgressGrid::kStatusMargin);
    for (const int twips : ProgressGrid::kColumnWidths) {
        remaining -= PixelsOf(twips);
    }
    // A narrow grid still shows the start of every status.
    setColumnWidth(ProgressGrid::kColumns - 1,
                   std::max(remaining, PixelsOf(ProgressGrid::kColumnWidths[2])));
}

}  // namespace kiv
