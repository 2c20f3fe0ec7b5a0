#include "ui/printer_list_model.h"

#include "base/qt/qt_text.h"

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

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

// The columns the find bar looks in.
constexpr ListColumn kFoundIn[] = {ListColumn::Comment,    ListColumn::IpAddress,      ListColumn::Model,
                                   ListColumn::SystemName, ListColumn::SystemLocation, ListColumn::SerialNumber,
                                   ListColumn::Status};

// A round mark before the status text; the colours read on light and dark rows alike.
QIcon statusMark(StatusKind kind) {
    QColor color;
    switch (kind) {
    case StatusKind::Fault:
        color = QColor(0xD3, 0x2F, 0x2F);
        break;
    case StatusKind::Attention:
        color = QColor(0xF0, 0xA0, 0x00);
        break;
    case StatusKind::NoResponse:
        color = QColor(0x9E, 0x9E, 0x9E);
        break;
    case StatusKind::None:
        break; // room for a mark, so that every status text starts at the same place
    }
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (color.isValid()) {
        painter.setPen(color.darker(140));
        painter.setBrush(color);
        painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    }
    painter.end();
    return QIcon(pixmap);
}

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
    m_looks.clear();
    m_columns = options.supplies ? kSuppliesListColumnCount : kListColumnCount;
    m_supplyWarn = options.supplyWarn;
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
        RowLook look;
        look.status = sorpex::statusKind(row);
        if (options.supplies) {
            look.supplyWarning = isSupplyWarning(row, options.supplyWarn);
            look.lowestSupply = fromCp932(lowestSupplyText(row));
            for (const SupplyCell& cell : parseSupplies(row.supplies.view())) {
                look.supplies.push_back({fromCp932(cell.description), cell.percent, cell.someRemaining});
            }
        }
        m_looks.push_back(std::move(look));
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
    m_looks.clear();
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
    if (role == Qt::ToolTipRole && index.column() == static_cast<int>(ListColumn::LowestSupply) &&
        !m_looks[index.row()].lowestSupply.isEmpty()) {
        return m_looks[index.row()].lowestSupply;
    }
    if (role == Qt::DecorationRole && index.column() == static_cast<int>(ListColumn::Status)) {
        static const QIcon marks[] = {statusMark(StatusKind::None), statusMark(StatusKind::Attention),
                                      statusMark(StatusKind::Fault), statusMark(StatusKind::NoResponse)};
        const StatusKind kind = m_looks[index.row()].status;
        if (kind == StatusKind::None && m_rows[index.row()][index.column()].isEmpty()) {
            return {};
        }
        return marks[static_cast<int>(kind)];
    }
    if (role == Qt::TextAlignmentRole) {
        Qt::Alignment horizontal = isNumberColumn(index.column()) ? Qt::AlignRight : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    const bool warning =
        index.column() == static_cast<int>(ListColumn::LowestSupply) && m_looks[index.row()].supplyWarning;
    if (warning && role == Qt::ForegroundRole) {
        return QBrush(kWarningText);
    }
    if (warning && role == Qt::BackgroundRole) {
        return QBrush(kWarningBackground);
    }
    return {};
}

bool PrinterListModel::rowMatches(int row, const QString& needle) const {
    for (ListColumn column : kFoundIn) {
        const int c = static_cast<int>(column);
        if (c < m_columns && m_rows[row][c].contains(needle, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
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
