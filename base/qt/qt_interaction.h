#pragma once

#include "base/interaction.h"

#include <QString>

class QWidget;

namespace sorpex {

// The user-interaction door of the core, opened with Qt's message boxes and file dialogs.
class QtInteraction : public UserInteraction {
public:
    explicit QtInteraction(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Answer showMessage(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    std::optional<std::string> chooseOpenFile(const FileChooserRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileChooserRequest& request) override;
    std::optional<std::string> chooseFolder(const FileChooserRequest& request) override;

private:
    QWidget* m_parent;
};

// "CSVファイル(*.csv)|*.csv|" in Qt's form "CSVファイル(*.csv) (*.csv)", of which the choosers show
// the name alone.
QString qtFileFilter(std::string_view windowsFilter);

} // namespace sorpex
