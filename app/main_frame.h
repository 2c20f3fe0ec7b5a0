#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <set>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace sorpex {

class LockKeyWatcher;

// The main window: menus, toolbar, accelerators and status bar. Every command it offers is
// reported by its number through commandTriggered; what a command does is the application's.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Commands without a handler are shown disabled and their accelerators do nothing.
    void setHandledCommands(const std::set<int>& handled);

    // Asked before the window closes, by the close box as by Exit; false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

    // Greys a handled command out, or back in (its accelerators stay the handler's to refuse).
    void setCommandEnabled(int id, bool enabled);

    // The menu or toolbar actions of one command (a command may sit in both).
    QList<QAction*> actions(int id) const;
    QToolBar* mainToolBar() const { return m_toolBar; }
    QLabel* readyLabel() const { return m_ready; }
    // 表示 → 並べ替え, filled by the list each time it opens.
    QMenu* sortMenu() const { return m_sortMenu; }
    // 表示 → 検索 and Ctrl+F.
    QAction* findAction() const { return m_find; }
    // What the last run found, in its own pane of the status bar.
    void showRunSummary(const QString& text);

    // The CAP, NUM and SCRL panes light up with the locks the watcher sees, which the frame then
    // owns. Without a watcher (the platform cannot tell) they stay grey.
    void watchLockKeys(LockKeyWatcher* watcher);

signals:
    void commandTriggered(int id);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QAction* addCommand(QWidget* container, const char* text, int id);
    void buildMenus();
    void buildToolBar();
    void buildAccelerators();
    void buildStatusBar();
    void dispatch(int id);
    void paintToolBarIcons();

    std::multimap<int, QAction*> m_actions;
    std::set<int> m_handled;
    std::function<bool()> m_closeGuard;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_ready = nullptr;
    QLabel* m_runSummary = nullptr;
    QMenu* m_sortMenu = nullptr;
    QAction* m_find = nullptr;
    QLabel* m_capPane = nullptr;
    QLabel* m_numPane = nullptr;
    QLabel* m_scrlPane = nullptr;
};

} // namespace sorpex
