#include "ui/list_commands.h"

#include "base/cp932.h"
#include "base/interaction.h"
#include "inventory/printer_table.h"
#include "ui/context_menu_commands.h"
#include "ui/entry_check.h"
#include "ui/entry_dialog.h"
#include "ui/printer_list_model.h"
#include "ui/sorpex_view.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>

#include <string>
#include <utility>

namespace sorpex {

ListCommands::ListCommands(ListContext context) : m_context(std::move(context)) {
    CSORPEXView* view = &m_context.view;
    connect(view, &CSORPEXView::headerClicked, this, &ListCommands::sortByHeader);
    connect(view, &CSORPEXView::rowsDoubleClicked, this, &ListCommands::changePrinters);
    connect(view, &CSORPEXView::contextMenuWanted, this, &ListCommands::showContextMenu);
}

void ListCommands::refuse(const char* utf8Text) {
    m_context.ui.showMessage(cp932::fromUtf8(utf8Text), MessageIcon::Stop, MessageButtons::Ok);
}

bool ListCommands::refuseWithoutSelection() {
    if (m_context.view.firstSelectedId() != 0) {
        return false;
    }
    refuse("プリンタを選択してください");
    return true;
}

void ListCommands::addPrinter() {
    PrinterTable& table = m_context.table;
    if (table.isFull()) {
        refuse("件数が上限を超えます。これ以上追加できません。");
        return;
    }
    std::optional<EntryValues> entered =
        runEntryDialog(m_context.dialogParent, m_context.ui, table, std::to_string(table.nextId()),
                       {0, "public", "", SnmpVersion::Default}, 0);
    if (!entered) {
        return;
    }
    if (table.appendRecord(dottedAddress(entered->address), entered->community, entered->comment)) {
        table.slot(table.terminatorSlot() - 1).snmpVersion = entered->version;
    }
    m_context.refreshList();
}

void ListCommands::changePrinters() {
    if (refuseWithoutSelection()) {
        return;
    }
    PrinterTable& table = m_context.table;
    for (int id : m_context.view.selectedIds()) {
        int index = id > 0 ? table.findById(id) : -1;
        if (index < 0) {
            continue;
        }
        PrinterRecord& row = table.slot(index);
        std::optional<std::uint32_t> address = parseStoredAddress(row.ipAddress.view());
        if (!address) {
            refuse("不正なIPアドレスが設定されていました");
        }
        EntryValues initial{address.value_or(0), row.community.str(), row.comment.str(), row.snmpVersion};
        std::optional<EntryValues> entered =
            runEntryDialog(m_context.dialogParent, m_context.ui, table, std::to_string(row.id), initial, row.id);
        if (!entered) {
            continue;
        }
        row.ipAddress.set(dottedAddress(entered->address));
        row.community.set(entered->community);
        row.comment.set(entered->comment);
        row.snmpVersion = entered->version;
        table.setModified();
    }
    m_context.refreshList();
}

void ListCommands::deletePrinters() {
    if (refuseWithoutSelection()) {
        return;
    }
    m_context.table.deleteRows(m_context.view.selectedIds(), m_context.ui);
    m_context.refreshList();
}

void ListCommands::move(bool up) {
    if (m_context.view.isFiltered() || refuseWithoutSelection()) {
        return;
    }
    CSORPEXView* view = &m_context.view;
    QModelIndexList selected = view->selectionModel()->selectedRows();
    if (selected.size() > 1) {
        refuse("複数選択できません");
        return;
    }
    int row = selected.front().row();
    int id = view->firstSelectedId();
    bool moved = up ? m_context.table.moveUp(id) : m_context.table.moveDown(id);
    if (!moved) {
        return;
    }
    m_context.refreshList();
    view->selectRow(up ? row - 1 : row + 1);
}

void ListCommands::moveUp() {
    move(true);
}
void ListCommands::moveDown() {
    move(false);
}

void ListCommands::resetIds() {
    PrinterTable& table = m_context.table;
    if (table.rowCount() == 0 || m_context.view.isFiltered()) {
        return;
    }
    if (m_context.ui.showMessage(cp932::fromUtf8("IDを更新しますか？"), MessageIcon::Question,
                                 MessageButtons::OkCancel) != Answer::Ok) {
        return;
    }
    table.compactAndRenumber();
    m_context.refreshList();
}

void ListCommands::acquireSelected() {
    if (refuseWithoutSelection()) {
        return;
    }
    m_context.table.markForAcquisition(m_context.view.selectedIds());
    m_context.runAcquisition();
}

void ListCommands::sortByHeader(int column) {
    m_context.table.sortByColumn(column, m_reverse);
    m_reverse = !m_reverse;
    m_sortColumn = column;
    m_context.refreshList();
    // The mark tells which way the next click will sort, as the flag now stands.
    m_context.view.listModel()->setSortMark(column, QString::fromUtf8(m_reverse ? "△" : "▽"));
}

void ListCommands::fillSortMenu(QMenu* menu) {
    menu->clear();
    const int columns = m_context.view.listModel()->columnCount();
    for (int column = 0; column < columns; ++column) {
        QString text = PrinterListModel::plainHeader(column);
        if (column == m_sortColumn) {
            text += QString::fromUtf8(m_reverse ? "△" : "▽");
        }
        QAction* action = menu->addAction(text);
        action->setObjectName(QString("sortColumn%1").arg(column));
        action->setCheckable(true);
        action->setChecked(column == m_sortColumn);
        connect(action, &QAction::triggered, this, [this, column] { sortByHeader(column); });
    }
}

void ListCommands::showContextMenu(const QPoint& globalPos) {
    QMenu menu(&m_context.view);
    menu.setObjectName("listContextMenu");
    auto addItem = [&menu](const char* text, int id) {
        QAction* action = menu.addAction(QString::fromUtf8(text));
        action->setObjectName(QString("command%1").arg(id));
        action->setData(id);
        return action;
    };
    QAction* acquire = addItem("選択プリンタの情報取得", command::kContextAcquireSelected);
    menu.addSeparator();
    QAction* remove = addItem("プリンタ削除...", command::kContextDelete);
    addItem("プリンタ追加...", command::kContextAdd);
    QAction* change = addItem("プリンタ設定変更...", command::kContextChange);
    // Only this menu greys items out; the menus, the toolbar and the keys never do.
    bool selected = m_context.view.firstSelectedId() != 0;
    acquire->setEnabled(selected);
    remove->setEnabled(selected);
    change->setEnabled(selected);

    QAction* chosen = menu.exec(globalPos);
    if (chosen == nullptr) {
        return;
    }
    switch (chosen->data().toInt()) {
    case command::kContextAcquireSelected:
        acquireSelected();
        break;
    case command::kContextDelete:
        deletePrinters();
        break;
    case command::kContextAdd:
        addPrinter();
        break;
    case command::kContextChange:
        changePrinters();
        break;
    default:
        break;
    }
}

} // namespace sorpex
