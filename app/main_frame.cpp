#include "app/main_frame.h"

#include "app/commands.h"
#include "app/lock_keys.h"
#include "app/program_icon.h"
#include "app/toolbar_icons.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

namespace sorpex {
namespace {

struct MenuItem {
    const char* text; // nullptr: a separator
    int id;
};

struct Menu {
    const char* title;
    std::vector<MenuItem> items;
};

const std::vector<Menu>& mainMenu() {
    using namespace command;
    static const std::vector<Menu> menus = {
        {"ファイル(&F)",
         {{"新規作成\tCtrl+N(&N)", kNew},
          {"開く...\tCtrl+O(&O)", kOpen},
          {"上書き保存\tCtrl+S(&S)", kSave},
          {"名前を付けて保存(&A)...", kSaveAs},
          {nullptr, 0},
          {"アプリケーションの終了(&X)", kExit}}},
        {"操作(&O)",
         {{"プリンタ情報取得\tF5", kAcquireAll},
          {nullptr, 0},
          {"IPアドレス範囲取得...", kAcquireRange},
          {nullptr, 0},
          {"使用枚数...", kUsage},
          {nullptr, 0},
          {"繰り返し取得設定...", kRepeatSettings},
          {nullptr, 0},
          {"環境設定...", kEnvironmentSettings}}},
        {"編集(&E)",
         {{"元に戻す\tCtrl+Z(&U)", kUndo},
          {nullptr, 0},
          {"切り取り\tCtrl+X(&T)", kCut},
          {"コピー\tCtrl+C(&C)", kCopy},
          {"貼り付け\tCtrl+V(&P)", kPaste},
          {nullptr, 0},
          {"プリンタ削除...\tDelete", kDeletePrinters},
          {"プリンタ追加...\tInsert", kAddPrinter},
          {"プリンタ設定変更...", kChangePrinter},
          {nullptr, 0},
          {"ID のリセット", kResetIds}}},
    };
    return menus;
}

// Buttons in toolbar order; 0 is a separator.
constexpr int kToolBarButtons[] = {
    command::kNew,
    command::kOpen,
    command::kSaveAs,
    0,
    command::kCut,
    command::kCopy,
    command::kPaste,
    0,
    command::kPrint,
    command::kAbout,
    0,
    command::kAcquireAll,
    command::kUsage,
    0,
    command::kDeletePrinters,
    command::kAddPrinter,
    command::kChangePrinter,
    0,
    command::kMoveUp,
    command::kMoveDown,
    command::kResetIds,
};

struct Accelerator {
    QKeySequence keys;
    int id;
};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName("mainFrame");
    setWindowIcon(programIcon());
    buildMenus();
    buildToolBar();
    buildAccelerators();
    buildStatusBar();
    watchLockKeys(watchPlatformLockKeys(this));
    resize(1180, 600);
}

QAction* CMainFrame::addCommand(QWidget* container, const char* text, int id) {
    QAction* action = new QAction(QString::fromUtf8(text), container);
    action->setObjectName(QString("command%1").arg(id));
    std::string_view prompt = command::commandString(id);
    if (!prompt.empty()) {
        QString both = QString::fromUtf8(prompt.data(), static_cast<qsizetype>(prompt.size()));
        action->setStatusTip(both.section('\n', 0, 0));
        action->setToolTip(both.section('\n', 1));
    }
    connect(action, &QAction::triggered, this, [this, id] { dispatch(id); });
    container->addAction(action);
    m_actions.emplace(id, action);
    return action;
}

void CMainFrame::buildMenus() {
    for (const Menu& menu : mainMenu()) {
        QMenu* qmenu = menuBar()->addMenu(QString::fromUtf8(menu.title));
        for (const MenuItem& item : menu.items) {
            if (item.text == nullptr) {
                qmenu->addSeparator();
            } else {
                addCommand(qmenu, item.text, item.id);
            }
        }
        if (menu.items.back().id == command::kResetIds) {
            // The view menu follows the edit menu; its only item belongs to the toolbar.
            QMenu* view = menuBar()->addMenu(QString::fromUtf8("表示(&V)"));
            view->setObjectName("viewMenu");
            QAction* toggle = view->addAction(QString::fromUtf8("ツール バー(&T)"));
            toggle->setObjectName("toggleToolBar");
            toggle->setCheckable(true);
            toggle->setChecked(true);
            toggle->setStatusTip(QString::fromUtf8("ツール バーの表示/非表示を切り替えます"));
            connect(toggle, &QAction::toggled, this, [this](bool on) { m_toolBar->setVisible(on); });
            view->addSeparator();
            m_find = view->addAction(QString::fromUtf8("検索(&F)...\tCtrl+F"));
            m_find->setObjectName("findAction");
            m_find->setStatusTip(QString::fromUtf8("コメントやIPアドレスなどで行を絞り込みます"));
            m_sortMenu = view->addMenu(QString::fromUtf8("並べ替え(&S)"));
            m_sortMenu->setObjectName("sortMenu");
        }
    }
    QMenu* help = menuBar()->addMenu(QString::fromUtf8("ヘルプ(&H)"));
    addCommand(help, "バージョン情報 SORPEX(&A)...", command::kAbout);
}

void CMainFrame::buildToolBar() {
    m_toolBar = addToolBar("toolbar");
    m_toolBar->setObjectName("mainToolBar");
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolBarButtons) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        addCommand(m_toolBar, "", id);
    }
    paintToolBarIcons();
    // Keep the menu's check mark true to the toolbar, however it was hidden.
    connect(m_toolBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
        if (QAction* toggle = findChild<QAction*>("toggleToolBar")) {
            QSignalBlocker block(toggle);
            toggle->setChecked(visible);
        }
    });
}

void CMainFrame::buildAccelerators() {
    using namespace command;
    const Accelerator accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), kNew},
        {QKeySequence(Qt::CTRL | Qt::Key_O), kOpen},
        {QKeySequence(Qt::CTRL | Qt::Key_S), kSave},
        {QKeySequence(Qt::CTRL | Qt::Key_C), kCopy},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), kCopy},
        {QKeySequence(Qt::CTRL | Qt::Key_X), kCut},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), kCut},
        {QKeySequence(Qt::CTRL | Qt::Key_V), kPaste},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), kPaste},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), kUndo},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), kUndo},
        {QKeySequence(Qt::Key_F6), kNextPane},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), kPreviousPane},
        {QKeySequence(Qt::Key_Delete), kDeleteKey},
        {QKeySequence(Qt::Key_Insert), kInsertKey},
        {QKeySequence(Qt::Key_F5), kAcquireAllKey},
        {QKeySequence(Qt::CTRL | Qt::Key_Up), kMoveUp},
        {QKeySequence(Qt::CTRL | Qt::Key_Down), kMoveDown},
    };
    for (const Accelerator& accelerator : accelerators) {
        auto* shortcut = new QShortcut(accelerator.keys, this);
        shortcut->setObjectName(QString("accelerator%1").arg(accelerator.id));
        int id = accelerator.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { dispatch(id); });
    }
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    find->setObjectName("findKey");
    connect(find, &QShortcut::activated, m_find, &QAction::trigger);
}

void CMainFrame::paintToolBarIcons() {
    for (QAction* action : m_toolBar->actions()) {
        if (!action->isSeparator()) {
            action->setIcon(toolbarIcon(action->objectName().mid(7).toInt(), palette()));
        }
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    // A palette of another lightness (a dark theme switched on) gets pictures drawn for it.
    if (event->type() == QEvent::PaletteChange && m_toolBar != nullptr) {
        paintToolBarIcons();
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::buildStatusBar() {
    m_ready = new QLabel(QString::fromUtf8("レディ"));
    m_ready->setObjectName("readyPane");
    statusBar()->addWidget(m_ready, 1);
    m_runSummary = new QLabel;
    m_runSummary->setObjectName("runSummaryPane");
    statusBar()->addPermanentWidget(m_runSummary);
    auto addLockPane = [this](const char* name) {
        auto* pane = new QLabel(name);
        pane->setObjectName(QString(name).toLower() + "Pane");
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance("SCRL") + 12);
        // Grey: the lock is off, or the platform cannot tell.
        pane->setEnabled(false);
        statusBar()->addPermanentWidget(pane);
        return pane;
    };
    m_capPane = addLockPane("CAP");
    m_numPane = addLockPane("NUM");
    m_scrlPane = addLockPane("SCRL");
}

void CMainFrame::watchLockKeys(LockKeyWatcher* watcher) {
    if (watcher == nullptr) {
        return;
    }
    watcher->setParent(this);
    auto show = [this, watcher] {
        LockKeys keys = watcher->keys();
        m_capPane->setEnabled(keys.caps);
        m_numPane->setEnabled(keys.num);
        m_scrlPane->setEnabled(keys.scroll);
    };
    connect(watcher, &LockKeyWatcher::changed, this, show);
    show();
}

void CMainFrame::setHandledCommands(const std::set<int>& handled) {
    m_handled = handled;
    for (auto& [id, action] : m_actions) {
        action->setEnabled(handled.count(id) > 0 || id == command::kExit);
    }
}

void CMainFrame::setCommandEnabled(int id, bool enabled) {
    auto [begin, end] = m_actions.equal_range(id);
    for (auto it = begin; it != end; ++it) {
        it->second->setEnabled(enabled && m_handled.count(id) > 0);
    }
}

void CMainFrame::showRunSummary(const QString& text) {
    m_runSummary->setText(text);
}

QList<QAction*> CMainFrame::actions(int id) const {
    QList<QAction*> found;
    auto [begin, end] = m_actions.equal_range(id);
    for (auto it = begin; it != end; ++it) {
        found << it->second;
    }
    return found;
}

void CMainFrame::dispatch(int id) {
    if (id == command::kExit) {
        close();
        return;
    }
    if (m_handled.count(id) > 0) {
        emit commandTriggered(id);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace sorpex
