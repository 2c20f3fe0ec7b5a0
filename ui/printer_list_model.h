#pragma once

#include "inventory/printer_table.h"
#include "ui/list_look.h"
#include "ui/list_text.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

namespace sorpex {

// One supply of a row as its bar shows it.
struct SupplyBar {
    QString description;
    int percent = -1; // -1: 残あり or 不明
    bool someRemaining = false;
};

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

    // What the delegates draw besides the texts.
    StatusKind statusKind(int row) const { return m_looks[row].status; }
    const QVector<SupplyBar>& supplyBars(int row) const { return m_looks[row].supplies; }
    int supplyWarn() const { return m_supplyWarn; }

    // The row's comment, address, model, system name, location, serial number or status holds
    // `needle`, whatever the case.
    bool rowMatches(int row, const QString& needle) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct RowLook {
        bool supplyWarning = false; // the lowest supply cell is a warning
        StatusKind status = StatusKind::None;
        QString lowestSupply; // the lowest supply, named
        QVector<SupplyBar> supplies;
    };

    QVector<QStringList> m_rows;
    QVector<RowLook> m_looks;
    QStringList m_headers;
    int m_columns = kListColumnCount;
    int m_supplyWarn = 10;
};

} // namespace sorpex
