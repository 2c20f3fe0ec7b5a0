#include "ui/sorpex_view.h"

#include "inventory/printer_table.h"
#include "ui/printer_list_model.h"
#include "ui/supply_bars_delegate.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QShortcut>

#include <algorithm>
#include <cstdlib>

namespace sorpex {
namespace {

constexpr int kColumnWidths[kSuppliesListColumnCount] = {50, 150, 120, 150, 100, 150, 150, 150, 130, 120, 70, 300};

} // namespace

CSORPEXView::CSORPEXView(QWidget* parent)
    : QTableView(parent), m_model(new PrinterListModel(this)),
      m_startWidths(std::begin(kColumnWidths), std::end(kColumnWidths)) {
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
    // The order the user drags the columns into is kept with the window.
    horizontalHeader()->setSectionsMovable(true);
    setItemDelegateForColumn(static_cast<int>(ListColumn::Supplies), new SupplyBarsDelegate(*m_model, this));
    // Shift+F10 opens the context menu from the keyboard, as the Menu key does.
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this, nullptr, nullptr, Qt::WidgetShortcut);
    menuKey->setObjectName("contextMenuKey");
    connect(menuKey, &QShortcut::activated, this, &CSORPEXView::openContextMenuAtCurrentRow);
    for (int column = 0; column < kListColumnCount; ++column) {
        setColumnWidth(column, m_startWidths[column]);
    }
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CSORPEXView::headerClicked);
}

void CSORPEXView::refreshList(const PrinterTable& table, const ListOptions& options) {
    const int shown = m_model->columnCount();
    m_model->refresh(table, options);
    // Columns that come with the Supplies setting start at their own widths.
    for (int column = shown; column < m_model->columnCount(); ++column) {
        setColumnWidth(column, m_startWidths[column]);
    }
    applyOrder();
    applyFind();
}

void CSORPEXView::setColumnLayout(const std::vector<int>& widths, const std::vector<int>& order) {
    for (std::size_t column = 0; column < widths.size() && column < m_startWidths.size(); ++column) {
        m_startWidths[column] = widths[column];
        if (static_cast<int>(column) < m_model->columnCount()) {
            setColumnWidth(static_cast<int>(column), widths[column]);
        }
    }
    m_pendingOrder = order;
    applyOrder();
}

void CSORPEXView::applyOrder() {
    QHeaderView* header = horizontalHeader();
    if (m_pendingOrder.empty() || static_cast<int>(m_pendingOrder.size()) != header->count()) {
        return;
    }
    for (int visual = 0; visual < header->count(); ++visual) {
        header->moveSection(header->visualIndex(m_pendingOrder[visual]), visual);
    }
    m_pendingOrder.clear();
}

std::vector<int> CSORPEXView::columnWidths() const {
    std::vector<int> widths = m_startWidths;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        widths[column] = columnWidth(column);
    }
    return widths;
}

std::vector<int> CSORPEXView::columnOrder() const {
    std::vector<int> order;
    for (int visual = 0; visual < horizontalHeader()->count(); ++visual) {
        order.push_back(horizontalHeader()->logicalIndex(visual));
    }
    return order;
}

int CSORPEXView::defaultColumnWidth(int column) {
    return kColumnWidths[column];
}

void CSORPEXView::setFindText(const QString& text) {
    const bool was = isFiltered();
    m_findText = text;
    applyFind();
    if (was != isFiltered()) {
        emit filterChanged(isFiltered());
    }
}

void CSORPEXView::applyFind() {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const bool hide = isFiltered() && !m_model->rowMatches(row, m_findText);
        setRowHidden(row, hide);
        if (hide) {
            // A hidden row is never acted on, so it is not left selected either.
            selectionModel()->select(m_model->index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        }
    }
    emit shownRowsChanged();
}

std::vector<int> CSORPEXView::shownIds() const {
    std::vector<int> ids;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (!isRowHidden(row)) {
            ids.push_back(std::atoi(m_model->index(row, 0).data().toString().toLatin1().constData()));
        }
    }
    return ids;
}

std::vector<int> CSORPEXView::selectedIds() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (!isRowHidden(index.row())) {
            rows.push_back(index.row());
        }
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
    if (event->reason() == QContextMenuEvent::Keyboard) {
        openContextMenuAtCurrentRow();
        return;
    }
    emit contextMenuWanted(event->globalPos());
}

void CSORPEXView::openContextMenuAtCurrentRow() {
    // Under the current row, or at the list's corner when there is none.
    QRect row = visualRect(currentIndex());
    QPoint at = row.isValid() && !isRowHidden(currentIndex().row()) ? row.bottomLeft() : QPoint(0, 0);
    emit contextMenuWanted(viewport()->mapToGlobal(at));
}

void CSORPEXView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit rowsDoubleClicked();
    }
}

} // namespace sorpex
