#pragma once

#include "base/clock.h"
#include "usage/usage_folder.h"

#include <QDialog>

#include <string>

class QComboBox;
class QDateEdit;
class QLabel;
class QTableWidget;
class QChartView;

namespace sorpex {

class Cp932LineEdit;
class UserInteraction;

// 使用枚数: the pages of every printer over a period, counted from the reports of a folder, as a
// table and a bar chart (pages per printer; with a printer selected, its pages per month), with
// the table saved as CSV and the chart as PNG.
class UsageDialog : public QDialog {
    Q_OBJECT
public:
    // `folder` (CP932) is where the reports are looked for first: the automatic-save folder.
    UsageDialog(std::string folder, const Clock& clock, UserInteraction& ui, QWidget* parent = nullptr);

    // Counts again over the folder and period the controls show.
    void recount();
    const UsageCollection& collection() const { return m_collection; }

private:
    void presetChosen(int index);
    void browseFolder();
    void fillTable();
    void showChart();
    void exportCsv();
    void exportPng();
    CalendarDay fromDay() const;
    CalendarDay toDay() const;

    const Clock& m_clock;
    UserInteraction& m_ui;
    UsageCollection m_collection;
    CalendarDay m_countedFrom;
    CalendarDay m_countedTo;

    QComboBox* m_preset;
    QDateEdit* m_from;
    QDateEdit* m_to;
    Cp932LineEdit* m_folder;
    QLabel* m_counts;
    QTableWidget* m_table;
    QChartView* m_chart;
};

} // namespace sorpex
