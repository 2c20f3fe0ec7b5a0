#include "ui/printer_list_model.h"

#include "base/qt/qt_text.h"

#include <QBrush>
#include <QColor>

namespace sorpex {
namespace {

const char* const kHeaders[kSuppliesListColumnCount] = {
    "ID",
    "コメント",
    "ＩＰアドレス",
    "機種名",
    "カウント値",
    "システム名",
    "システムロケーション",
    "システムコンタクト",
    "ステータス",
    "シリアル番号",
    "最少残量",
    "消耗品",
};

bool isNumberColumn(int column) {
    return column == static_cast<int>(ListColumn::Count) || column == static_cast<int>(ListColumn::LowestSupply);
}

// Dark red on light red, readable on any palette, as spreadsheets mark a bad value.
const QColor kWarningText(156, 0, 6);
const QColor kWarningBackground(255, 199, 206);

} // namespace

PrinterListModel::PrinterListModel(QObject* parent) : QAbstractTableModel(parent) {
    for (int column = 0; column < kSuppliesListColumnCount; ++column) {
        m_headers << plainHeader(column);
    }
}

QString PrinterListModel::plainHeader(int column) {
    return QString::fromUtf8(kHeaders[column]);
}

void PrinterListModel::refresh(const PrinterTable& table, const ListOptions& options) {
    beginResetModel();
    m_rows.clear();
    m_supplyWarnings.clear();
    m_columns = options.supplies ? kSuppliesListColumnCount : kListColumnCount;
    for (int index = 0; index < PrinterTable::kSlotCount; ++index) {
        const PrinterRecord& row = table.slot(index);
        if (row.id == kTerminatorId) {
            break;
        }
        if (row.id == kEmptySlotId) {
            continue;
        }
        QStringList cells;
        cells.reserve(m_columns);
        for (int column = 0; column < m_columns; ++column) {
            cells << fromCp932(cellText(row, column, options.debug));
        }
        m_rows.push_back(std::move(cells));
        m_supplyWarnings.push_back(options.supplies && isSupplyWarning(row, options.supplyWarn));
    }
    for (int column = 0; column < m_columns; ++column) {
        m_headers[column] = plainHeader(column);
    }
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void PrinterListModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_supplyWarnings.clear();
    endResetModel();
}

void PrinterListModel::setSortMark(int column, const QString& mark) {
    for (int c = 0; c < m_columns; ++c) {
        m_headers[c] = plainHeader(c) + (c == column ? mark : QString());
    }
    emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

int PrinterListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PrinterListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant PrinterListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_rows[index.row()][index.column()];
    }
    // The supplies rarely fit their column: the whole text on hovering.
    if (role == Qt::ToolTipRole && index.column() == static_cast<int>(ListColumn::Supplies)) {
        return m_rows[index.row()][index.column()];
    }
    if (role == Qt::TextAlignmentRole) {
        Qt::Alignment horizontal = isNumberColumn(index.column()) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    const bool warning = index.column() == static_cast<int>(ListColumn::LowestSupply) && m_supplyWarnings[index.row()];
    if (warning && role == Qt::ForegroundRole) {
        return QBrush(kWarningText);
    }
    if (warning && role == Qt::BackgroundRole) {
        return QBrush(kWarningBackground);
    }
    return {};
}

QVariant PrinterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return m_headers[section];
    }
    if (role == Qt::TextAlignmentRole) {
        Qt::Alignment horizontal = isNumberColumn(section) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    return {};
}

} // namespace sorpex
