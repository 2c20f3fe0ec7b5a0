#include "app/about_dialog.h"
#include "app/commands.h"
#include "app/dark_palette.h"
#include "app/toolbar_icons.h"
#include "settings/app_settings.h"
#include "settings/config_dialog.h"
#include "settings/repeat_dialog.h"
#include "snmp/ip_range_dialog.h"
#include "snmp/run_state.h"
#include "snmp/wait_dialog.h"
#include "tests/support/qt/modal_driver.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"
#include "ui/entry_dialog.h"
#include "ui/find_bar.h"
#include "ui/sorpex_view.h"
#include "usage/usage_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QVBoxLayout>
#include <QtTest>

#include <clocale>
#include <memory>
#include <optional>

using namespace sorpex;
using namespace sorpex::test;

namespace {

// The text of a control whose text is checked: labels, group boxes and buttons.
std::optional<QString> shownText(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().isEmpty() ? std::nullopt : std::optional(label->text()); // an icon
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        return group->title();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    return std::nullopt;
}

bool isCheck(QWidget* control) {
    return qobject_cast<QCheckBox*>(control) != nullptr || qobject_cast<QRadioButton*>(control) != nullptr;
}

// Where the control draws its text, in its own coordinates, and the room the style gives it.
QRect drawnText(QWidget* control, const QString& text, QRect& room) {
    QFontMetrics metrics = control->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(control)) {
        int margin = label->margin();
        room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0) |
                    (label->buddy() != nullptr ? Qt::TextShowMnemonic : 0);
        return metrics.boundingRect(room, flags, text);
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = text;
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        room = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group) &
               group->rect();
        return metrics.boundingRect(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
    }
    auto* button = static_cast<QAbstractButton*>(control);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    QSize size = metrics.size(Qt::TextShowMnemonic, text);
    if (!button->icon().isNull()) {
        size =
            QSize(size.width() + button->iconSize().width() + 4, std::max(size.height(), button->iconSize().height()));
    }
    QStyle::SubElement contents = qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                  : isCheck(button)                   ? QStyle::SE_CheckBoxContents
                                                                      : QStyle::SE_PushButtonContents;
    room = button->style()->subElementRect(contents, &option, button);
    return QStyle::alignedRect(Qt::LeftToRight, isCheck(button) ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter,
                               size, room);
}

// What a control paints over, in its parent's coordinates: an input control or push button its
// whole box, a text control only its text (and check mark).
QRect painted(QWidget* control) {
    std::optional<QString> text = shownText(control);
    if (!text || qobject_cast<QPushButton*>(control) != nullptr) {
        return control->geometry();
    }
    QRect room;
    QRect area = text->isEmpty() ? QRect() : drawnText(control, *text, room);
    if (isCheck(control)) {
        QStyleOptionButton option;
        option.initFrom(control);
        area |= control->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, control);
    }
    return area.translated(control->pos());
}

// Every text of the dialog, its controls found by themselves: whole in its widget, inside the
// window and not painted over by another control.
QStringList clippedTexts(QWidget* dialog) {
    QStringList faults;
    QList<QWidget*> all = dialog->findChildren<QWidget*>();
    for (QWidget* control : all) {
        std::optional<QString> text = shownText(control);
        if (!control->isVisibleTo(dialog) || !text || text->isEmpty()) {
            continue;
        }
        QString name = QString("%1 \"%2\"").arg(control->metaObject()->className(), *text);
        QRect room;
        QRect drawn = drawnText(control, *text, room);
        if (!room.contains(drawn)) {
            faults << QString("%1 needs %2x%3, has %4x%5")
                          .arg(name)
                          .arg(drawn.width())
                          .arg(drawn.height())
                          .arg(room.width())
                          .arg(room.height());
            continue;
        }
        QWidget* parent = control->parentWidget();
        drawn.translate(control->pos());
        if (!parent->rect().contains(drawn) ||
            !dialog->rect().contains(QRect(parent->mapTo(dialog, drawn.topLeft()), drawn.size()))) {
            faults << name + " runs out of its window";
        }
        for (QWidget* other : all) {
            // A group box paints only its frame and title, behind the controls it frames.
            if (other != control && other->parentWidget() == parent && other->isVisibleTo(dialog) &&
                qobject_cast<QGroupBox*>(other) == nullptr && drawn.intersects(painted(other))) {
                faults << name + " is covered by a " + other->metaObject()->className();
            }
        }
    }
    return faults;
}

} // namespace

class DialogLookTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyTextIsWhole_data();
    void everyTextIsWhole();
    void aRunOfNothingShowsAnEmptyBar();
    void labelsAreGreyedWithTheirFields();
    void toolbarPicturesReadOnLightAndDarkPalettes_data();
    void toolbarPicturesReadOnLightAndDarkPalettes();

private:
    ScriptedInteraction m_ui;
};

void DialogLookTest::initTestCase() {
    const char* locale = std::setlocale(LC_ALL, "");
    QVERIFY2(locale != nullptr && QByteArray(locale) == "ja_JP.UTF-8",
             "the locale ja_JP.UTF-8 is missing: scripts/install-deps.sh generates it");
    QCOMPARE(QLocale::system().name(), QString("ja_JP"));
}

void DialogLookTest::everyTextIsWhole_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("names"); // fontconfig gives a family its Japanese name here
    QTest::addColumn<bool>("required");
    QTest::newRow("IPAGothic") << "IPAGothic" << QStringList{"IPAGothic", QString::fromUtf8("IPAゴシック")} << true;
    QTest::newRow("Noto Sans CJK JP") << "Noto Sans CJK JP" << QStringList{"Noto Sans CJK JP"} << false;
}

void DialogLookTest::everyTextIsWhole() {
    QFETCH(QString, family);
    QFETCH(QStringList, names);
    QFETCH(bool, required);
    QFont font = QApplication::font();
    font.setFamilies({family});
    if (!names.contains(QFontInfo(font).family())) {
        QVERIFY2(!required, qPrintable(family + " is not installed"));
        QSKIP(qPrintable(family + " is not installed"));
    }
    QApplication::setFont(font);

    AppSettings settings;
    RunState run;
    run.totalCount.store(30);
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<CEntryPrt>(nullptr));
    dialogs.push_back(std::make_unique<IpRange>(nullptr));
    dialogs.push_back(std::make_unique<SORPEXConfig>(settings, m_ui, nullptr));
    dialogs.push_back(std::make_unique<CRepeat>(settings, m_ui, nullptr));
    dialogs.push_back(std::make_unique<CAboutDlg>(nullptr));
    TempDir reports;
    ManualClock clock(std::time(nullptr));
    dialogs.push_back(std::make_unique<UsageDialog>(reports.path().string(), clock, m_ui, nullptr));
    auto wait = std::make_unique<WaitDialog>(run, m_ui);
    wait->start();
    dialogs.push_back(std::move(wait));

    // The find bar over the list, in a window of the width it had in the old main window.
    auto list = std::make_unique<QDialog>();
    list->setObjectName("findBarOverTheList");
    auto* layout = new QVBoxLayout(list.get());
    auto* view = new CSORPEXView(list.get());
    auto* find = new FindBar(*view, list.get());
    layout->addWidget(find);
    layout->addWidget(view);
    list->resize(1180, 400);
    find->open();
    dialogs.push_back(std::move(list));

    QStringList faults;
    for (auto& dialog : dialogs) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY2(names.contains(QFontInfo(dialog->font()).family()), qPrintable(dialog->objectName()));
        for (const QString& fault : clippedTexts(dialog.get())) {
            faults << dialog->objectName() + ": " + fault;
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void DialogLookTest::aRunOfNothingShowsAnEmptyBar() {
    RunState run;
    WaitDialog dialog(run, m_ui);
    dialog.start();
    auto* bar = control<QProgressBar>(&dialog, "progressBar");
    // A range of 0 … 0 is Qt's moving busy indicator.
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), bar->minimum());
    QCOMPARE(dialog.countText(), QString("1/0"));
}

void DialogLookTest::labelsAreGreyedWithTheirFields() {
    AppSettings settings;
    SORPEXConfig dialog(settings, m_ui, nullptr);
    auto label = [&](const char* text) {
        for (QLabel* found : dialog.findChildren<QLabel*>()) {
            if (found->text() == QString::fromUtf8(text)) {
                return found;
            }
        }
        qFatal("no label %s", text);
    };
    QVERIFY(!label("残量の警告値：")->isEnabled());
    QVERIFY(!label("%以下")->isEnabled());
    QVERIFY(label("同時取得数：")->isEnabled());
    QVERIFY(label("台")->isEnabled());
    control<QCheckBox>(&dialog, "suppliesCheck")->setChecked(true);
    QVERIFY(label("残量の警告値：")->isEnabled());
    QVERIFY(label("%以下")->isEnabled());
}

void DialogLookTest::toolbarPicturesReadOnLightAndDarkPalettes_data() {
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << QApplication::style()->standardPalette();
    QTest::newRow("dark Fusion") << darkFusionPalette();
}

// Every picture, enabled and greyed out, has pixels that stand out from the toolbar's colour.
void DialogLookTest::toolbarPicturesReadOnLightAndDarkPalettes() {
    QFETCH(QPalette, palette);
    using namespace command;
    const int window = palette.color(QPalette::Window).lightness();
    for (int id : {kNew, kOpen, kSaveAs, kCut, kCopy, kPaste, kPrint, kAbout, kAcquireAll, kDeletePrinters, kAddPrinter,
                   kChangePrinter, kMoveUp, kMoveDown, kResetIds}) {
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            QImage image = toolbarIcon(id, palette).pixmap(QSize(16, 15), mode).toImage();
            int standingOut = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    QColor pixel = image.pixelColor(x, y);
                    standingOut += pixel.alpha() >= 96 && std::abs(pixel.lightness() - window) >= 48 ? 1 : 0;
                }
            }
            QVERIFY2(
                standingOut >= 12,
                qPrintable(
                    QString("command %1, mode %2: %3 pixels").arg(id).arg(static_cast<int>(mode)).arg(standingOut)));
        }
    }
}

QTEST_MAIN(DialogLookTest)
#include "dialog_look_test.moc"
