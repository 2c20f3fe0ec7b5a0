#pragma once

#include <QDialog>

namespace sorpex {

// バージョン情報: the program's icon, name and version.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace sorpex
