#include "app/about_dialog.h"

#include "app/program_icon.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace sorpex {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("aboutDialog");
    setWindowTitle(QString::fromUtf8("バージョン情報 SORPEX"));
    auto* icon = new QLabel;
    icon->setPixmap(programIcon().pixmap(32, 32));
    auto* version = new QLabel("SORPEX Version " SORPEX_VERSION_TEXT);
    version->setObjectName("versionLabel");
    auto* second = new QLabel(QString::fromUtf8("ネットワークプリンタ情報取得ツール"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(second, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    setFixedSize(sizeHint());
}

} // namespace sorpex
