#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QMenu;
class QWidget;

namespace sorpex {

class CSORPEXView;
class PrinterTable;
class UserInteraction;

// What the list commands work on, handed in by the application.
struct ListContext {
    PrinterTable& table;
    UserInteraction& ui;
    CSORPEXView& view;
    QWidget* dialogParent;
    std::function<void()> runAcquisition; // a run over the rows marked for acquisition
    std::function<void()> refreshList;
};

// The editing commands of the printer list: add, change, delete, move, renumber, sort and
// acquire the selected printers, from the menus, the toolbar, the keys and the list itself.
// None of them is ever disabled: one that cannot act says why. The exceptions are move up, move down
// and ID reset while the find bar hides rows: they would move or renumber rows nobody sees, so
// they do nothing then, and the window greys them out.
class ListCommands : public QObject {
    Q_OBJECT
public:
    explicit ListCommands(ListContext context);

    void addPrinter();      // 32781, 32801 (Insert), 32814
    void changePrinters();  // 32782, 32816, a double-click
    void deletePrinters();  // 32783, 32800 (Delete), 32811
    void moveUp();          // 32788
    void moveDown();        // 32789
    void resetIds();        // 32791
    void acquireSelected(); // 32812
    void sortByHeader(int column);
    // 表示 → 並べ替え: one item per column shown, the column last sorted checked with its mark.
    void fillSortMenu(QMenu* menu);
    void showContextMenu(const QPoint& globalPos);

private:
    void refuse(const char* utf8Text);
    bool refuseWithoutSelection();
    void move(bool up);

    ListContext m_context;
    // One flag for all columns: each click sorts the opposite way of the click before it.
    bool m_reverse = false;
    int m_sortColumn = -1;
};

} // namespace sorpex
