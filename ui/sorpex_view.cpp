#include "ui/sorpex_view.h"

#include "inventory/printer_table.h"
#include "ui/printer_list_model.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

namespace sorpex {
namespace {

constexpr int kColumnWidths[kSuppliesListColumnCount] = {50, 150, 120, 150, 100, 150, 150, 150, 130, 120, 70, 300};

} // namespace

CSORPEXView::CSORPEXView(QWidget* parent) : QTableView(parent), m_model(new PrinterListModel(this)) {
    setObjectName("printerList");
    setModel(m_model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    for (int column = 0; column < kListColumnCount; ++column) {
        setColumnWidth(column, kColumnWidths[column]);
    }
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CSORPEXView::headerClicked);
}

void CSORPEXView::refreshList(const PrinterTable& table, const ListOptions& options) {
    const int shown = m_model->columnCount();
    m_model->refresh(table, options);
    // Columns that come with the Supplies setting start at their own widths.
    for (int column = shown; column < m_model->columnCount(); ++column) {
        setColumnWidth(column, kColumnWidths[column]);
    }
}

std::vector<int> CSORPEXView::selectedIds() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<int> ids;
    for (int row : rows) {
        QString text = m_model->index(row, 0).data().toString();
        ids.push_back(std::atoi(text.toLatin1().constData()));
    }
    return ids;
}

int CSORPEXView::firstSelectedId() const {
    std::vector<int> ids = selectedIds();
    return ids.empty() ? 0 : ids.front();
}

void CSORPEXView::selectRow(int row) {
    QModelIndex index = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void CSORPEXView::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuWanted(event->globalPos());
}

void CSORPEXView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit rowsDoubleClicked();
    }
}

} // namespace sorpex
