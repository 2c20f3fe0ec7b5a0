#pragma once

#include "inventory/printer_table.h"
#include "ui/list_text.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

namespace sorpex {

// The rows of the printer list as they were when the list was last refreshed. The list holds
// no data of its own: every change of the table is followed by refresh().
class PrinterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PrinterListModel(QObject* parent = nullptr);

    // Rebuilds every row from the table with the columns the options ask for; the headers lose
    // their sort marks.
    void refresh(const PrinterTable& table, const ListOptions& options);
    // Empties the list without looking at the table.
    void clear();
    // The header of `column` gets its plain text followed by `mark` ("△" or "▽").
    void setSortMark(int column, const QString& mark);

    static QString plainHeader(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<QStringList> m_rows;
    QVector<bool> m_supplyWarnings; // per row: the lowest supply cell is a warning
    QStringList m_headers;
    int m_columns = kListColumnCount;
};

} // namespace sorpex
