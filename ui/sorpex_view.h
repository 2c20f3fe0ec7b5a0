#pragma once

#include "ui/list_text.h"

#include <QTableView>

#include <vector>

namespace sorpex {

class PrinterListModel;
class PrinterTable;

// The printer list: nine columns (twelve with the supplies), grid lines, whole rows selected,
// several at once. With a find text, the rows that do not hold it are hidden, and every command
// sees only the rows shown.
class CSORPEXView : public QTableView {
    Q_OBJECT
public:
    explicit CSORPEXView(QWidget* parent = nullptr);

    PrinterListModel* listModel() const { return m_model; }
    void refreshList(const PrinterTable& table, const ListOptions& options);

    // IDs of the selected rows that are shown, in list order, read from the ID column as the
    // commands read them.
    std::vector<int> selectedIds() const;
    // The first selected row's ID, 0 when nothing is selected.
    int firstSelectedId() const;
    // IDs of the rows shown, in list order.
    std::vector<int> shownIds() const;
    // Selects and focuses the row at `row` alone.
    void selectRow(int row);

    // Hides the rows that do not hold `text`; an empty text shows every row again.
    void setFindText(const QString& text);
    bool isFiltered() const { return !m_findText.isEmpty(); }
    // The width each column starts with.
    static int defaultColumnWidth(int column);
    // Widths by column number (the supplies columns' too, shown or not) and the columns from left
    // to right, as the window keeps them; an order for other columns than those shown waits for
    // the refresh that shows them.
    void setColumnLayout(const std::vector<int>& widths, const std::vector<int>& order);
    std::vector<int> columnWidths() const;
    std::vector<int> columnOrder() const;

signals:
    void headerClicked(int column);
    void rowsDoubleClicked();
    void contextMenuWanted(const QPoint& globalPos);
    void filterChanged(bool filtered);
    void shownRowsChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void applyFind();
    void applyOrder();
    void openContextMenuAtCurrentRow();

    PrinterListModel* m_model;
    QString m_findText;
    std::vector<int> m_startWidths; // of columns not shown yet
    std::vector<int> m_pendingOrder;
};

} // namespace sorpex
