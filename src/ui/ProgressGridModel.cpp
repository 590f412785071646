#include "ui/ProgressGridModel.h"

#include <algorithm>

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

#include "driver/ProgressLine.h"
#include "ui/QtText.h"

namespace kiv {

ProgressGridModel::ProgressGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProgressGridModel::SetGrid(ProgressGrid* grid) {
    beginResetModel();
    mGridSubscription.reset();
    mGrid = grid;
    if (mGrid != nullptr) {
        mGridSubscription = grid->Changed.subscribe([this] { gridChanged(); });
    }
    miShownRows = rowCount();
    endResetModel();
}

int ProgressGridModel::rowCount(const QModelIndex& parent) const {
    return mGrid == nullptr || parent.isValid() ? 0 : std::max(mGrid->Rows() - 1, 0);
}

int ProgressGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ProgressGrid::kColumns;
}

QVariant ProgressGridModel::data(const QModelIndex& index, int role) const {
    if (mGrid == nullptr || !index.isValid()) {
        return {};
    }
    const std::string& text = mGrid->Text(index.row() + 1, index.column());
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == kRowsColumn ? rowCount(text) : qttext::oneLine(text);
        case Qt::ToolTipRole:
            return text.empty() ? QVariant() : QVariant(qttext::fromKiv(text));
        case Qt::TextAlignmentRole:
            return cellAlignment(index.column());
        case Qt::BackgroundRole:
            return index.column() == 0 ? statusColour(index.row() + 1) : QVariant();
        default:
            return {};
    }
}

QVariant ProgressGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (mGrid == nullptr || orientation != Qt::Horizontal) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return qttext::fromKiv(mGrid->Text(0, section));
        case Qt::TextAlignmentRole:
            return headerAlignment(section);
        default:
            return {};
    }
}

// Row counts read as people write them: 1,942,300.
QString ProgressGridModel::rowCount(const std::string& text) {
    const bool number = !text.empty() &&
                        text.find_first_not_of("0123456789") == std::string::npos &&
                        text.size() < 19;
    return number ? qttext::fromKiv(ProgressLine::Grouped(std::stoll(text)))
                  : qttext::oneLine(text);
}

QVariant ProgressGridModel::statusColour(int row) const {
    ProgressGrid::Colour colour;
    if (!ProgressGrid::StatusColour(mGrid->ColourStatus(row), colour)) {
        // A number cell without a status keeps the look of a fixed column.
        return QGuiApplication::palette().color(QPalette::Button);
    }
    if (colour.windowBackground) {
        return QGuiApplication::palette().color(QPalette::Base);
    }
    return QColor(colour.red, colour.green, colour.blue);
}

QVariant ProgressGridModel::cellAlignment(int column) {
    switch (column) {
        case 0:
            return int(Qt::AlignCenter);
        case 2:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
}

QVariant ProgressGridModel::headerAlignment(int column) {
    return column == 1 || column == 3 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                      : int(Qt::AlignCenter);
}

void ProgressGridModel::gridChanged() {
    if (rowCount() != miShownRows) {
        beginResetModel();
        miShownRows = rowCount();
        endResetModel();
        return;
    }
    if (miShownRows > 0) {
        Q_EMIT dataChanged(index(0, 0), index(miShownRows - 1, ProgressGrid::kColumns - 1));
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ProgressGrid::kColumns - 1);
}

}  // namespace kiv
