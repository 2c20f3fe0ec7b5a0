#include "ui/printer_list_model.h"

#include "base/qt/qt_text.h"
#include "inventory/printer_table.h"
#include "ui/list_text.h"

namespace sorpex {
namespace {

const char* const kHeaders[kListColumnCount] = {
    "ID",         "コメント",   "ＩＰアドレス",         "機種名",
    "カウント値", "システム名", "システムロケーション", "システムコンタクト",
    "ステータス",
};

} // namespace

PrinterListModel::PrinterListModel(QObject* parent) : QAbstractTableModel(parent) {
    for (int column = 0; column < kListColumnCount; ++column) {
        m_headers << plainHeader(column);
    }
}

QString PrinterListModel::plainHeader(int column) {
    return QString::fromUtf8(kHeaders[column]);
}

void PrinterListModel::refresh(const PrinterTable& table, bool debug) {
    beginResetModel();
    m_rows.clear();
    for (int index = 0; index < PrinterTable::kSlotCount; ++index) {
        const PrinterRecord& row = table.slot(index);
        if (row.id == kTerminatorId) {
            break;
        }
        if (row.id == kEmptySlotId) {
            continue;
        }
        QStringList cells;
        cells.reserve(kListColumnCount);
        for (int column = 0; column < kListColumnCount; ++column) {
            cells << fromCp932(cellText(row, column, debug));
        }
        m_rows.push_back(std::move(cells));
    }
    for (int column = 0; column < kListColumnCount; ++column) {
        m_headers[column] = plainHeader(column);
    }
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
}

void PrinterListModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void PrinterListModel::setSortMark(int column, const QString& mark) {
    for (int c = 0; c < kListColumnCount; ++c) {
        m_headers[c] = plainHeader(c) + (c == column ? mark : QString());
    }
    emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
}

int PrinterListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PrinterListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumnCount;
}

QVariant PrinterListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_rows[index.row()][index.column()];
    }
    if (role == Qt::TextAlignmentRole) {
        Qt::Alignment horizontal =
            index.column() == static_cast<int>(ListColumn::Count) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    return {};
}

QVariant PrinterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return m_headers[section];
    }
    if (role == Qt::TextAlignmentRole) {
        Qt::Alignment horizontal = section == static_cast<int>(ListColumn::Count) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    return {};
}

} // namespace sorpex
