#pragma once

#include "ui/list_text.h"

#include <QTableView>

#include <vector>

namespace sorpex {

class PrinterListModel;
class PrinterTable;

// The printer list: nine columns (twelve with the supplies), grid lines, whole rows selected,
// several at once.
class CSORPEXView : public QTableView {
    Q_OBJECT
public:
    explicit CSORPEXView(QWidget* parent = nullptr);

    PrinterListModel* listModel() const { return m_model; }
    void refreshList(const PrinterTable& table, const ListOptions& options);

    // IDs of the selected rows in list order, read from the ID column as the commands read them.
    std::vector<int> selectedIds() const;
    // The first selected row's ID, 0 when nothing is selected.
    int firstSelectedId() const;
    // Selects and focuses the row at `row` alone.
    void selectRow(int row);

signals:
    void headerClicked(int column);
    void rowsDoubleClicked();
    void contextMenuWanted(const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    PrinterListModel* m_model;
};

} // namespace sorpex
