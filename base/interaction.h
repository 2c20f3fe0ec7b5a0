#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorpex {

// The icons of a message box. Stop is also the error icon, Warning the exclamation mark.
enum class MessageIcon { Stop, Warning, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// What a file or folder chooser is asked to show. All texts are CP932, like every text of the core.
struct FileChooserRequest {
    std::string title;            // empty: the chooser's own title
    std::string filter;           // in the Windows form "CSVファイル(*.csv)|*.csv|"
    std::string defaultExtension; // without the dot, appended when the user types none
    std::string initialFolder;
    std::string initialName;
    bool mustExist = false;        // open: only an existing file can be chosen
    bool confirmOverwrite = false; // save: ask before an existing file is replaced
};

// The one door through which the core asks or tells the user anything. The GUI implements it
// with message boxes and file dialogs; tests implement it with a scripted fake.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    virtual Answer showMessage(std::string_view text, MessageIcon icon, MessageButtons buttons) = 0;
    // Each chooser gives the chosen path (CP932), or nothing when the user cancels.
    virtual std::optional<std::string> chooseOpenFile(const FileChooserRequest& request) = 0;
    virtual std::optional<std::string> chooseSaveFile(const FileChooserRequest& request) = 0;
    virtual std::optional<std::string> chooseFolder(const FileChooserRequest& request) = 0;
};

} // namespace sorpex
