#include "app/commands.h"
#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "tests/support/qt/app_fixture.h"
#include "ui/entry_check.h"
#include "ui/sorpex_view.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include <memory>

using namespace sorpex;
using namespace sorpex::test;

namespace {

struct Fixture : AppFixture {
    Fixture() : AppFixture("") {}
    void append(const char* address, const char* community, const char* comment) {
        QVERIFY(table().appendRecord(address, community, cp932::fromUtf8(comment)));
    }
    // The rows appended so far are listed first.
    void selectRows(std::initializer_list<int> rows) {
        app->refreshList();
        AppFixture::selectRows(rows);
    }
    // The driven entry dialog, one scripted showing at a time.
    void onEntry(ModalDriver::Step step) { driver.add("entryDialog", std::move(step)); }
};

QLineEdit* community(QWidget* dialog) {
    return dialog->findChild<QLineEdit*>("communityEdit");
}
QPlainTextEdit* comment(QWidget* dialog) {
    return dialog->findChild<QPlainTextEdit*>("commentEdit");
}
QString idText(QWidget* dialog) {
    return dialog->findChild<QLineEdit*>("idEdit")->text();
}

std::string utf8(std::string_view cp932Text) {
    return cp932::toUtf8(cp932Text);
}

} // namespace

class EntryDialogTest : public QObject {
    Q_OBJECT

private slots:
    void refusalsComeInOrderAndKeepWhatWasTyped();
    void changingSeveralPrintersOneAfterTheOther();
    void aStoredAddressThatDoesNotParseOpensAsZero();
    void typingAnAddressMovesThroughItsFields();
    void limitsCountShiftJisBytes();
    void charactersShiftJisCannotHoldAreRefused();
    void textsTheListFileCannotCarryAreRefused();
    void storedAddressesWithFourDigitOctetsDoNotParse();
};

void EntryDialogTest::refusalsComeInOrderAndKeepWhatWasTyped() {
    Fixture f;
    f.append("192.168.1.10", "public", "");
    f.append("192.168.1.20", "public", "");
    f.append("192.168.1.30", "public", "");
    // Row order 2, 1, 3: the duplicate's ID is not its position.
    QVERIFY(f.table().moveUp(2));
    f.table().setModified(false);

    bool focusOnOk = false;
    QString proposedId;
    QStringList shownAddress;
    QString shownCommunity;
    f.onEntry([&](QWidget* d) {
        proposedId = idText(d);
        shownAddress = addressFields(d, "addressEdit");
        shownCommunity = community(d)->text();
        focusOnOk = d->focusWidget() == d->findChild<QWidget*>("okButton");
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"192", "168", "1", "0"});
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"192", "168", "1", "255"});
        clickButton(d, "okButton");
    });
    // A duplicate address and no community: the community is named first.
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"192", "168", "1", "10"});
        community(d)->clear();
        comment(d)->setPlainText(QString::fromUtf8("受付横"));
        clickButton(d, "okButton");
    });
    QStringList keptAddress;
    QString keptComment;
    f.onEntry([&](QWidget* d) {
        keptAddress = addressFields(d, "addressEdit");
        keptComment = comment(d)->toPlainText();
        QTest::keyClicks(community(d), "office");
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"192", "168", "1", "50"});
        clickButton(d, "okButton");
    });
    f.app->runCommand(command::kAddPrinter);

    QCOMPARE(f.driver.pending(), 0);
    QCOMPARE(f.driver.unexpected, 0);
    QCOMPARE(proposedId, QString("4"));
    QCOMPARE(shownAddress, QStringList({"0", "0", "0", "0"}));
    QCOMPARE(shownCommunity, QString("public"));
    QVERIFY(focusOnOk);
    QCOMPARE(f.ui.texts(), (std::vector<std::string>{
                               "IPアドレスを入力してください", "IPアドレスの最後が 0 または 255 は使用できません",
                               "IPアドレスの最後が 0 または 255 は使用できません", "コミュニティ名を入力してください",
                               "ID_1とIPアドレスが同じです"}));
    for (const auto& shown : f.ui.shown) {
        QCOMPARE(shown.icon, MessageIcon::Stop);
        QCOMPARE(shown.buttons, MessageButtons::Ok);
    }
    QCOMPARE(keptAddress, QStringList({"192", "168", "1", "10"}));
    QCOMPARE(keptComment, QString::fromUtf8("受付横"));

    QCOMPARE(f.table().rowCount(), 4);
    const PrinterRecord& added = f.table().slot(3);
    QCOMPARE(added.id, 4);
    QCOMPARE(added.ipAddress.str(), std::string("192.168.1.50"));
    QCOMPARE(added.community.str(), std::string("office"));
    QCOMPARE(utf8(added.comment.view()), std::string("受付横"));
    QVERIFY(f.table().modified());
    QCOMPARE(f.app->view()->model()->rowCount(), 4);

    // Cancel adds nothing and leaves the flag alone.
    f.table().setModified(false);
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"10", "0", "0", "1"});
        clickButton(d, "cancelButton");
    });
    f.app->runCommand(command::kInsertKey);
    QCOMPARE(f.driver.pending(), 0);
    QCOMPARE(f.table().rowCount(), 4);
    QVERIFY(!f.table().modified());
}

void EntryDialogTest::changingSeveralPrintersOneAfterTheOther() {
    Fixture f;
    f.append("10.0.0.1", "public", "一階");
    f.append("10.0.0.2", "secret", "二階");
    f.append("10.0.0.3", "public", "三階");
    f.table().slot(2).model.set("Printer Model X");
    f.table().slot(0).snmpVersion = SnmpVersion::V3;
    f.table().setModified(false);
    f.selectRows({0, 1, 2});

    QStringList ids;
    QStringList firstAddress;
    QString secondCommunity;
    QStringList versions;
    // Its own address is no duplicate of itself; its own version opens chosen and may change.
    f.onEntry([&](QWidget* d) {
        ids << idText(d);
        firstAddress = addressFields(d, "addressEdit");
        auto* version = d->findChild<QComboBox*>("versionCombo");
        versions << version->currentText();
        version->setCurrentIndex(2);
        clickButton(d, "okButton");
    });
    f.onEntry([&](QWidget* d) {
        ids << idText(d);
        versions << d->findChild<QComboBox*>("versionCombo")->currentText();
        secondCommunity = community(d)->text();
        comment(d)->setPlainText("changed, then cancelled");
        clickButton(d, "cancelButton");
    });
    f.onEntry([&](QWidget* d) {
        ids << idText(d);
        typeAddress(d, "addressEdit", {"10", "0", "0", "33"});
        comment(d)->setPlainText(QString::fromUtf8("三階西"));
        clickButton(d, "okButton");
    });
    f.app->runCommand(command::kChangePrinter);

    QCOMPARE(f.driver.pending(), 0);
    QVERIFY(f.ui.shown.empty());
    QCOMPARE(ids, QStringList({"1", "2", "3"}));
    QCOMPARE(firstAddress, QStringList({"10", "0", "0", "1"}));
    QCOMPARE(secondCommunity, QString("secret"));
    QCOMPARE(versions, QStringList({"v3", QString::fromUtf8("既定値")}));
    QCOMPARE(f.table().slot(0).snmpVersion, SnmpVersion::V2c);
    QCOMPARE(f.table().slot(2).snmpVersion, SnmpVersion::Default);
    QCOMPARE(f.table().slot(0).ipAddress.str(), std::string("10.0.0.1"));
    QCOMPARE(utf8(f.table().slot(1).comment.view()), std::string("二階"));
    QCOMPARE(f.table().slot(2).ipAddress.str(), std::string("10.0.0.33"));
    QCOMPARE(utf8(f.table().slot(2).comment.view()), std::string("三階西"));
    QCOMPARE(f.table().slot(2).model.str(), std::string("Printer Model X"));
    QVERIFY(f.table().modified());
    QCOMPARE(f.app->view()->model()->index(2, 2).data().toString(), QString("10.0.0.33"));

    // Another printer's address is refused, naming that printer; Cancel then leaves the row.
    f.selectRows({2});
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"10", "0", "0", "2"});
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) { clickButton(d, "cancelButton"); });
    f.app->runCommand(command::kContextChange);
    QCOMPARE(f.ui.texts(), std::vector<std::string>{"ID_2とIPアドレスが同じです"});
    QCOMPARE(f.table().slot(2).ipAddress.str(), std::string("10.0.0.33"));
}

void EntryDialogTest::aStoredAddressThatDoesNotParseOpensAsZero() {
    Fixture f;
    f.append("10.0.0.1", "public", "");
    f.append("10.0.0.2", "public", "");
    f.table().slot(0).ipAddress.set("printer-a");
    // Leading zeros are read as decimal, as the acquisition run reads them.
    f.table().slot(1).ipAddress.set("192.168.001.010");
    f.selectRows({0, 1});
    QStringList first;
    QStringList second;
    f.onEntry([&](QWidget* d) {
        first = addressFields(d, "addressEdit");
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) { clickButton(d, "cancelButton"); });
    f.onEntry([&](QWidget* d) {
        second = addressFields(d, "addressEdit");
        clickButton(d, "cancelButton");
    });
    f.app->runCommand(command::kChangePrinter);
    QCOMPARE(f.ui.texts(),
             (std::vector<std::string>{"不正なIPアドレスが設定されていました", "IPアドレスを入力してください"}));
    QCOMPARE(first, QStringList({"0", "0", "0", "0"}));
    QCOMPARE(second, QStringList({"192", "168", "1", "10"}));
    QCOMPARE(f.table().slot(0).ipAddress.str(), std::string("printer-a"));

    // An empty octet makes no address either, for the dialog's own row and for the others that
    // an entry is checked against: only the same text is the same address.
    QVERIFY(!parseStoredAddress("1..2.3"));
    f.table().slot(0).ipAddress.set("1..2.3");
    QCOMPARE(entryRefusal(f.table(), 0x01000203, "public", 2), std::string());
}

void EntryDialogTest::typingAnAddressMovesThroughItsFields() {
    Fixture f;
    QStringList typed;
    QStringList refused;
    f.onEntry([&](QWidget* d) {
        // Keys go where the focus is, as the user's would.
        auto type = [d](const QString& keys) {
            for (QChar key : keys) {
                QTest::keyClick(d->focusWidget(), key.toLatin1());
            }
        };
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->findChild<QWidget*>("addressEdit")->setFocus();
        QCoreApplication::processEvents();
        // Three digits jump on; the dot after a jump does not jump twice. The 0.0.0.0 shown is
        // replaced, not added to.
        type("192.168.1.10");
        typed = addressFields(d, "addressEdit");
        QTest::keyClick(d->focusWidget(), Qt::Key_Backspace);
        QTest::keyClick(d->focusWidget(), Qt::Key_Backspace);
        QTest::keyClick(d->focusWidget(), Qt::Key_Backspace);
        type("7.256");
        refused = addressFields(d, "addressEdit");
        clickButton(d, "cancelButton");
    });
    f.app->runCommand(command::kAddPrinter);
    QCOMPARE(f.driver.pending(), 0);
    QCOMPARE(typed, QStringList({"192", "168", "1", "10"}));
    // Backspace in an emptied field goes back to the end of the one before; 256 is refused at its 6.
    QCOMPARE(refused, QStringList({"192", "168", "17", "25"}));
}

void EntryDialogTest::limitsCountShiftJisBytes() {
    Fixture f;
    const QString kana = QString::fromUtf8("あ").repeated(600);
    f.onEntry([&](QWidget* d) {
        typeAddress(d, "addressEdit", {"10", "1", "1", "1"});
        QLineEdit* edit = community(d);
        edit->clear();
        QTest::keyClicks(edit, QString(200, 'a'));
        // 200 + 2 x 27 = 254 bytes: the 28th kana of the paste no longer fits.
        edit->insert(kana.left(30));
        QCOMPARE(edit->text().size(), 227);
        QTest::keyClicks(edit, "bc");
        QCOMPARE(edit->text(), QString(200, 'a') + kana.left(27) + "b");

        QPlainTextEdit* text = comment(d);
        text->setFocus();
        text->insertPlainText("line\n");
        // "line" CR LF is 6 bytes; 508 kana make 1022 of 1023.
        text->insertPlainText(kana);
        QCOMPARE(text->toPlainText().size(), 5 + 508);
        QTest::keyClicks(text, "xy");
        QVERIFY(text->toPlainText().endsWith(QString::fromUtf8("ああx")));
        // Enter does not start a line; it presses OK.
        QTest::keyClick(text, Qt::Key_Return);
    });
    f.app->runCommand(command::kAddPrinter);
    QCOMPARE(f.driver.pending(), 0);
    QVERIFY(f.ui.shown.empty());
    QCOMPARE(f.table().rowCount(), 1);
    const PrinterRecord& row = f.table().slot(0);
    QCOMPARE(row.community.view().size(), 255u);
    QCOMPARE(row.comment.view().size(), 1023u);
    QCOMPARE(row.comment.view().substr(0, 6), std::string_view("line\r\n"));
    QCOMPARE(row.comment.view().back(), 'x');
}

void EntryDialogTest::charactersShiftJisCannotHoldAreRefused() {
    Fixture f;
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"10", "1", "1", "2"});
        community(d)->setText(QString::fromUtf8("pub😀lic"));
        comment(d)->setPlainText(QString::fromUtf8("３階〜西"));
        clickButton(d, "okButton");
    });
    QString keptCommunity;
    f.onEntry([&](QWidget* d) {
        keptCommunity = community(d)->text();
        community(d)->setText("public");
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        // The full-width tilde is the one CP932 has.
        comment(d)->setPlainText(QString::fromUtf8("３階～西"));
        clickButton(d, "okButton");
    });
    f.app->runCommand(command::kAddPrinter);
    QCOMPARE(f.driver.pending(), 0);
    QCOMPARE(f.ui.texts(), (std::vector<std::string>{"コミュニティ名に使用できない文字が含まれています（4文字目）",
                                                     "コメントに使用できない文字が含まれています（3文字目）"}));
    QCOMPARE(keptCommunity, QString::fromUtf8("pub😀lic"));
    QCOMPARE(f.table().rowCount(), 1);
    QCOMPARE(utf8(f.table().slot(0).comment.view()), std::string("３階～西"));
}

// Every run of quotes loads back as one quote, and a quote before a comma ends the field: such a
// community would ask the printer with another name once the list is loaded again.
void EntryDialogTest::textsTheListFileCannotCarryAreRefused() {
    Fixture f;
    f.onEntry([](QWidget* d) {
        typeAddress(d, "addressEdit", {"10", "1", "1", "3"});
        community(d)->setText("co\"\"mm");
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        community(d)->setText("co\"mm");
        comment(d)->setPlainText(QString::fromUtf8("３階\",西"));
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        // A line break between two quotes is dropped on saving, and the quotes would meet.
        comment(d)->setPlainText("a\"\n\"b");
        clickButton(d, "okButton");
    });
    f.onEntry([](QWidget* d) {
        comment(d)->setPlainText("\"lobby\" floor, 2\"");
        clickButton(d, "okButton");
    });
    f.app->runCommand(command::kAddPrinter);
    QCOMPARE(f.driver.pending(), 0);
    QCOMPARE(f.ui.texts(),
             (std::vector<std::string>{"コミュニティ名に続けて並んだ \" や , の直前の \" は保存できません（3文字目）",
                                       "コメントに続けて並んだ \" や , の直前の \" は保存できません（3文字目）",
                                       "コメントに続けて並んだ \" や , の直前の \" は保存できません（2文字目）"}));
    QCOMPARE(f.table().rowCount(), 1);
    QCOMPARE(f.table().slot(0).community.str(), std::string("co\"mm"));
    QCOMPARE(f.table().slot(0).comment.str(), std::string("\"lobby\" floor, 2\""));
}

void EntryDialogTest::storedAddressesWithFourDigitOctetsDoNotParse() {
    for (const char* text : {"1234.1.1.1", "1.2.3.1000", "10.0.0.0255", "10.0001.0.1"}) {
        QVERIFY2(!parseStoredAddress(text), text);
    }
    QCOMPARE(parseStoredAddress("010.0.0.255"), std::optional<std::uint32_t>(0x0A0000FF));
}

QTEST_MAIN(EntryDialogTest)
#include "entry_dialog_test.moc"
