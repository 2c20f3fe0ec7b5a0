#pragma once

#include "base/interaction.h"

#include <deque>
#include <string>
#include <vector>

namespace sorpex::test {

// The user, played by a test: every message and chooser is recorded, and answers come from
// scripts filled beforehand. A message without a scripted answer gets the answer that proceeds
// (OK or Yes); a chooser without one is cancelled.
class ScriptedInteraction : public UserInteraction {
public:
    struct Shown {
        std::string text; // UTF-8, converted from the CP932 the core showed
        MessageIcon icon;
        MessageButtons buttons;
    };
    struct Asked {
        enum Kind { Open, Save, Folder } kind;
        FileChooserRequest request;
    };

    void answerNext(Answer answer) { m_answers.push_back(answer); }
    void chooseNext(std::optional<std::string> path) { m_paths.push_back(std::move(path)); }

    Answer showMessage(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    std::optional<std::string> chooseOpenFile(const FileChooserRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileChooserRequest& request) override;
    std::optional<std::string> chooseFolder(const FileChooserRequest& request) override;

    std::vector<Shown> shown;
    std::vector<Asked> asked;

    // The texts shown so far, UTF-8.
    std::vector<std::string> texts() const;

private:
    std::optional<std::string> nextPath(Asked::Kind kind, const FileChooserRequest& request);

    std::deque<Answer> m_answers;
    std::deque<std::optional<std::string>> m_paths;
};

} // namespace sorpex::test
