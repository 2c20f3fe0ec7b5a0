#include "tests/support/scripted_interaction.h"

#include "base/cp932.h"

namespace sorpex::test {

Answer ScriptedInteraction::showMessage(std::string_view text, MessageIcon icon, MessageButtons buttons) {
    shown.push_back({cp932::toUtf8(text), icon, buttons});
    if (!m_answers.empty()) {
        Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return buttons == MessageButtons::YesNo ? Answer::Yes : Answer::Ok;
}

std::optional<std::string> ScriptedInteraction::nextPath(Asked::Kind kind, const FileChooserRequest& request) {
    asked.push_back({kind, request});
    if (m_paths.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> path = m_paths.front();
    m_paths.pop_front();
    return path;
}

std::optional<std::string> ScriptedInteraction::chooseOpenFile(const FileChooserRequest& request) {
    return nextPath(Asked::Open, request);
}

std::optional<std::string> ScriptedInteraction::chooseSaveFile(const FileChooserRequest& request) {
    return nextPath(Asked::Save, request);
}

std::optional<std::string> ScriptedInteraction::chooseFolder(const FileChooserRequest& request) {
    return nextPath(Asked::Folder, request);
}

std::vector<std::string> ScriptedInteraction::texts() const {
    std::vector<std::string> result;
    for (const Shown& item : shown) {
        result.push_back(item.text);
    }
    return result;
}

} // namespace sorpex::test
