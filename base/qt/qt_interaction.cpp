#include "base/qt/qt_interaction.h"

#include "base/qt/qt_text.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace sorpex {
namespace {

const char* const kTitle = "SORPEX";

// A path is kept as CP932 like every text; one that CP932 cannot hold would name another file,
// so it is refused rather than stored with '?' in it.
std::optional<std::string> chosen(QWidget* parent, const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    bool ok = true;
    std::string text = toCp932(path, &ok);
    if (!ok) {
        QMessageBox::warning(parent, kTitle,
                             QString::fromUtf8("このパスには使用できない文字が含まれています。\n") + path);
        return std::nullopt;
    }
    return text;
}

QString startPath(const FileChooserRequest& request) {
    QString folder = fromCp932(request.initialFolder);
    QString name = fromCp932(request.initialName);
    if (name.isEmpty()) {
        return folder;
    }
    if (folder.isEmpty() || name.startsWith('/')) {
        return name;
    }
    return folder + '/' + name;
}

// Qt takes a filter's patterns from the parentheses that end its name. The chooser shows only
// the name before them, which is the Windows filter's own text: shown once, as it was written.
void prepare(QFileDialog& dialog, const FileChooserRequest& request) {
    dialog.setObjectName("fileChooser");
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(qtFileFilter(request.filter));
}

} // namespace

QString qtFileFilter(std::string_view windowsFilter) {
    QStringList parts = fromCp932(windowsFilter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << parts[i] + " (" + patterns + ")";
    }
    return filters.join(";;");
}

Answer QtInteraction::showMessage(std::string_view text, MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(m_parent);
    box.setWindowTitle(kTitle);
    box.setText(fromCp932(text));
    switch (icon) {
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Escape or the close box: the answer that does not proceed.
        return buttons == MessageButtons::YesNo ? Answer::No
               : buttons == MessageButtons::Ok  ? Answer::Ok
                                                : Answer::Cancel;
    }
}

std::optional<std::string> QtInteraction::chooseOpenFile(const FileChooserRequest& request) {
    QFileDialog dialog(m_parent, fromCp932(request.title), startPath(request));
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(fromCp932(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return chosen(m_parent, dialog.selectedFiles().first());
}

std::optional<std::string> QtInteraction::chooseSaveFile(const FileChooserRequest& request) {
    QFileDialog dialog(m_parent, fromCp932(request.title), startPath(request));
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(fromCp932(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return chosen(m_parent, dialog.selectedFiles().first());
}

std::optional<std::string> QtInteraction::chooseFolder(const FileChooserRequest& request) {
    return chosen(m_parent,
                  QFileDialog::getExistingDirectory(m_parent, fromCp932(request.title),
                                                    fromCp932(request.initialFolder), QFileDialog::ShowDirsOnly));
}

} // namespace sorpex
