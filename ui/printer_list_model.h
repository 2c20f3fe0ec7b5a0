#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

namespace sorpex {

class PrinterTable;

// The rows of the printer list as they were when the list was last refreshed. The list holds
// no data of its own: every change of the table is followed by refresh().
class PrinterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PrinterListModel(QObject* parent = nullptr);

    // Rebuilds every row from the table; the headers lose their sort marks.
    void refresh(const PrinterTable& table, bool debug);
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
    QStringList m_headers;
};

} // namespace sorpex
