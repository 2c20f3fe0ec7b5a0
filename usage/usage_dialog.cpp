#include "usage/usage_dialog.h"

#include "base/cp932.h"
#include "base/interaction.h"
#include "base/qt/cp932_edit.h"
#include "base/qt/qt_text.h"
#include "base/replacing_file.h"
#include "settings/app_settings.h"
#include "usage/usage_csv.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QValueAxis>

#include <algorithm>

namespace sorpex {
namespace {

enum Preset { kLastMonth, kThisMonth, kPastTwelveMonths, kChosenDays };

const char* const kColumns[] = {"コメント", "ＩＰアドレス",   "シリアル番号",  "機種名",
                                "開始",     "開始カウント値", "終了",          "終了カウント値",
                                "枚数",     "備考",           "消耗品切れ予測"};

QDate qDate(const CalendarDay& day) {
    return QDate(day.year, day.month, day.day);
}
CalendarDay calendarDay(const QDate& date) {
    return {date.year(), date.month(), date.day()};
}

// A printer's name on the chart: its comment, or its address when it has none.
QString printerName(const PrinterUsage& row) {
    return row.comment.empty() ? QString::fromStdString(row.ipAddress) : fromCp932(row.comment);
}

// Bars of one series under their categories; the value axis starts at 0.
QChart* barChart(const QString& title, const QStringList& categories, const QList<qreal>& values) {
    auto* set = new QBarSet(QString::fromUtf8("枚数"));
    set->append(values);
    auto* series = new QBarSeries;
    series->append(set);
    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(title);
    chart->legend()->hide();
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    // Many printers: their names stand upright under narrow bars, whole rather than elided.
    x->setLabelsAngle(categories.size() > 8 ? -90 : 0);
    x->setTruncateLabels(false);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setLabelFormat("%d");
    y->setMin(0);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    if (std::none_of(values.begin(), values.end(), [](qreal value) { return value > 0; })) {
        y->setMax(1); // nice numbers of an empty range are not a number
    } else {
        y->applyNiceNumbers();
    }
    return chart;
}

} // namespace

UsageDialog::UsageDialog(std::string folder, const Clock& clock, UserInteraction& ui, QWidget* parent)
    : QDialog(parent), m_clock(clock), m_ui(ui) {
    setObjectName("usageDialog");
    setWindowTitle(QString::fromUtf8("使用枚数"));
    setSizeGripEnabled(true);

    auto* controls = new QGridLayout;
    controls->addWidget(new QLabel(QString::fromUtf8("期間："), this), 0, 0);
    m_preset = new QComboBox(this);
    m_preset->setObjectName("periodCombo");
    m_preset->addItems({QString::fromUtf8("先月"), QString::fromUtf8("今月"), QString::fromUtf8("過去12か月"),
                        QString::fromUtf8("期間を指定")});
    m_from = new QDateEdit(this);
    m_from->setObjectName("fromDate");
    m_to = new QDateEdit(this);
    m_to->setObjectName("toDate");
    for (QDateEdit* date : {m_from, m_to}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat("yyyy/MM/dd");
    }
    auto* period = new QHBoxLayout;
    period->addWidget(m_preset);
    period->addWidget(m_from);
    period->addWidget(new QLabel(QString::fromUtf8("～"), this));
    period->addWidget(m_to);
    period->addStretch();
    controls->addLayout(period, 0, 1);
    controls->addWidget(new QLabel(QString::fromUtf8("フォルダ："), this), 1, 0);
    m_folder = new Cp932LineEdit({.limit = kPathLimit}, this);
    m_folder->setObjectName("folderEdit");
    m_folder->setCp932Text(folder);
    auto* browse = new QPushButton(QString::fromUtf8("参照..."), this);
    browse->setObjectName("browseButton");
    auto* count = new QPushButton(QString::fromUtf8("集計"), this);
    count->setObjectName("countButton");
    auto* where = new QHBoxLayout;
    where->addWidget(m_folder, 1);
    where->addWidget(browse);
    where->addWidget(count);
    controls->addLayout(where, 1, 1);

    m_counts = new QLabel(this);
    m_counts->setObjectName("countsLabel");
    m_counts->setWordWrap(true);

    m_table = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
    m_table->setObjectName("usageTable");
    QStringList headers;
    for (const char* column : kColumns) {
        headers << QString::fromUtf8(column);
    }
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();

    m_chart = new QChartView(this);
    m_chart->setObjectName("usageChart");
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(260);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_chart);
    split->setSizes({260, 340});

    auto* saveCsv = new QPushButton(QString::fromUtf8("CSV保存..."), this);
    saveCsv->setObjectName("saveCsvButton");
    auto* savePng = new QPushButton(QString::fromUtf8("グラフ保存..."), this);
    savePng->setObjectName("savePngButton");
    auto* close = new QPushButton(QString::fromUtf8("閉じる"), this);
    close->setObjectName("closeButton");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveCsv);
    buttons->addWidget(savePng);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_counts);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(900, 680);

    connect(m_preset, &QComboBox::activated, this, &UsageDialog::presetChosen);
    for (QDateEdit* date : {m_from, m_to}) {
        connect(date, &QDateEdit::editingFinished, this, [this] {
            m_preset->setCurrentIndex(kChosenDays);
            if (fromDay() != m_countedFrom || toDay() != m_countedTo) {
                recount();
            }
        });
    }
    connect(browse, &QPushButton::clicked, this, &UsageDialog::browseFolder);
    connect(count, &QPushButton::clicked, this, &UsageDialog::recount);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &UsageDialog::showChart);
    connect(saveCsv, &QPushButton::clicked, this, &UsageDialog::exportCsv);
    connect(savePng, &QPushButton::clicked, this, &UsageDialog::exportPng);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    presetChosen(kLastMonth);
}

CalendarDay UsageDialog::fromDay() const {
    return calendarDay(m_from->date());
}
CalendarDay UsageDialog::toDay() const {
    return calendarDay(m_to->date());
}

void UsageDialog::presetChosen(int index) {
    const LocalTime today = m_clock.localNow();
    CalendarDay from = fromDay();
    CalendarDay to = toDay();
    switch (index) {
    case kLastMonth:
        previousMonth(today, from, to);
        break;
    case kThisMonth:
        currentMonth(today, from, to);
        break;
    case kPastTwelveMonths:
        pastTwelveMonths(today, from, to);
        break;
    default:
        return;
    }
    m_preset->setCurrentIndex(index);
    m_from->setDate(qDate(from));
    m_to->setDate(qDate(to));
    recount();
}

void UsageDialog::browseFolder() {
    FileChooserRequest request;
    request.title = cp932::fromUtf8("フォルダ選択");
    request.initialFolder = m_folder->cp932Text();
    if (std::optional<std::string> path = m_ui.chooseFolder(request)) {
        m_folder->setCp932Text(*path);
        recount();
    }
}

void UsageDialog::recount() {
    m_countedFrom = fromDay();
    m_countedTo = toDay();
    if (QDate(qDate(m_countedFrom)) > qDate(m_countedTo)) {
        m_collection = UsageCollection();
        m_counts->setText(QString::fromUtf8("開始日が終了日より後です"));
    } else {
        m_collection = collectUsage(nativePath(m_folder->cp932Text()), periodOfDays(m_countedFrom, m_countedTo));
        m_counts->setText(fromCp932(m_collection.status == UsageCollection::Status::Ok
                                        ? usageCountsLine(m_collection)
                                        : usageProblemMessage(m_collection, m_folder->cp932Text())));
    }
    fillTable();
    showChart();
}

void UsageDialog::fillTable() {
    const UsageTable& usage = m_collection.table;
    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(usage.rows.size()));
    m_table->setColumnHidden(static_cast<int>(std::size(kColumns)) - 1, !usage.withSupplies);
    auto time = [](const std::optional<std::time_t>& at) {
        return at ? QString::fromStdString(readingTimeText(localTimeAt(*at))) : QString();
    };
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const PrinterUsage& row = usage.rows[static_cast<std::size_t>(r)];
        const QString cells[] = {fromCp932(row.comment),
                                 QString::fromStdString(row.ipAddress),
                                 fromCp932(row.serialNumber),
                                 fromCp932(row.model),
                                 time(row.startTime),
                                 row.startTime ? QString::number(row.startCount) : QString(),
                                 time(row.endTime),
                                 row.endTime ? QString::number(row.endCount) : QString(),
                                 row.pages ? QString::number(*row.pages) : QString(),
                                 fromCp932(usageNote(row)),
                                 fromCp932(emptyInText(row))};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 5 || c == 7 || c == 8) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            m_table->setItem(r, c, item);
        }
    }
    m_table->resizeColumnsToContents();
}

void UsageDialog::showChart() {
    const UsageTable& usage = m_collection.table;
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    QStringList categories;
    QList<qreal> values;
    QString title;
    if (selected.isEmpty()) {
        title = QString::fromUtf8("プリンタ別の枚数");
        for (const PrinterUsage& row : usage.rows) {
            // A category names one bar: a replaced printer's comment stands twice.
            QString name = printerName(row);
            if (categories.contains(name)) {
                name += " (" + fromCp932(row.serialNumber.empty() ? row.ipAddress : row.serialNumber) + ")";
            }
            while (categories.contains(name)) {
                name += "'";
            }
            categories << name;
            values << static_cast<qreal>(row.pages.value_or(0));
        }
    } else {
        const PrinterUsage& row = usage.rows[static_cast<std::size_t>(selected.front()->row())];
        title = printerName(row) + QString::fromUtf8(" の月別の枚数");
        for (const auto& [month, pages] : row.monthlyPages) {
            categories << QString("%1/%2").arg(month / 100).arg(month % 100, 2, 10, QChar('0'));
            values << static_cast<qreal>(pages);
        }
    }
    QChart* old = m_chart->chart();
    m_chart->setChart(barChart(title, categories, values));
    delete old;
}

void UsageDialog::exportCsv() {
    FileChooserRequest request;
    request.filter = cp932::fromUtf8("CSVファイル(*.csv)|*.csv|");
    request.defaultExtension = "csv";
    request.initialFolder = m_folder->cp932Text();
    request.initialName = usageFileName(m_countedFrom, m_countedTo);
    request.confirmOverwrite = true;
    if (std::optional<std::string> path = m_ui.chooseSaveFile(request)) {
        if (const int error = writeUsageFile(nativePath(*path), m_collection.table); error != 0) {
            m_ui.showMessage(cp932::fromUtf8("ファイル書込みできません\nError Code = ") + std::to_string(error),
                             MessageIcon::Stop, MessageButtons::Ok);
        }
    }
}

void UsageDialog::exportPng() {
    FileChooserRequest request;
    request.filter = cp932::fromUtf8("PNGファイル(*.png)|*.png|");
    request.defaultExtension = "png";
    request.initialFolder = m_folder->cp932Text();
    request.initialName = "SORPEX_usage_" + compactDay(m_countedFrom) + "-" + compactDay(m_countedTo) + ".png";
    request.confirmOverwrite = true;
    if (std::optional<std::string> path = m_ui.chooseSaveFile(request)) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        m_chart->grab().save(&buffer, "PNG");
        if (const int error = replaceFile(nativePath(*path), std::string_view(png.constData(), png.size()));
            error != 0) {
            m_ui.showMessage(cp932::fromUtf8("ファイル書込みできません\nError Code = ") + std::to_string(error),
                             MessageIcon::Stop, MessageButtons::Ok);
        }
    }
}

} // namespace sorpex
